#pragma once
// Opening the help: the help window installs its handlers here; until one
// is installed the requests do nothing.

#include <functional>

namespace ostrel {

// The topic of a window's help context number.
void ShowHelpContext(int context);
// The table of contents.
void ShowHelpContents();

void setHelpHandlers(std::function<void(int)> context, std::function<void()> contents);

}  // namespace ostrel
