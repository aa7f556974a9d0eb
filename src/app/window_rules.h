#pragma once
// Rules every window of the program follows, applied in one place as the
// windows appear:
// - the program's icon;
// - a window opens above the clock while the clock stays on top of other
//   windows (it is made transient for the clock, which a window manager
//   keeps above its parent), so a click meant for it never lands on the
//   clock;
// - Tab in a plain-text box (every one of them holds a short description)
//   moves on to the next control instead of typing a tab.

#include <QIcon>

#include <functional>

class QWidget;

namespace ostrel {

// The program's icon in every size it ships.
QIcon applicationIcon();

// Sets the icon and installs the rules on the application; clock gives the
// clock window (or nothing while there is none).
void installWindowRules(std::function<QWidget*()> clock);
void removeWindowRules();

// The window over which `window` opens: the clock when it stays on top of
// other windows and is shown, else none. Public for tests.
QWidget* windowToOpenAbove(QWidget* window, QWidget* clock);

}  // namespace ostrel
