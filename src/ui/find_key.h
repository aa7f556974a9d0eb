#pragma once
// Ctrl+F in a window of ours opens the search window (AppCommand::Find).

class QWidget;

namespace ostrel {

void installFindKey(QWidget* window);

}  // namespace ostrel
