#pragma once
// Placing a framed top-level window by its outer (frame) position.

#include <QPoint>

class QWidget;

namespace ostrel {

// Puts window's frame at framePos. On X11 the position is given to the
// window manager as the frame's (north-west gravity), so a window framed
// only after it was placed still has its frame, not its client area, where
// it was put: a title bar added later grows downwards instead of reaching
// up over what lies above. Elsewhere QWidget::move, which means the same
// once the frame is known.
void moveWindowFrame(QWidget* window, QPoint framePos);

}  // namespace ostrel
