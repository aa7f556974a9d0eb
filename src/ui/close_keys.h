#pragma once
// Keys that close a window which has no button of its own to close it:
// without a window manager such a window has no frame either, and these
// keys are the only way out.

class QWidget;

namespace ostrel {

// Ctrl+W closes window (QWidget::close, so it is hidden as by its frame's
// close button and does what it does when hidden). Escape too, unless the
// window is a dialog, which closes itself on Escape once its controls have
// let the key pass (a cell editor takes its own Escape first).
void installCloseKeys(QWidget* window);

}  // namespace ostrel
