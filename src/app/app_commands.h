#pragma once
// The application's side of ui/app_commands.h: carries each command out on
// the window that serves it.

namespace ostrel {

// Installs the handler; called once the windows exist.
void installAppCommands();

}  // namespace ostrel
