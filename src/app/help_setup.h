#pragma once
// The application's help: one help window for the program, F1 in every
// window and the menu's Help command (ui/help_link.h) lead to it.

namespace ostrel {

class HelpWindow;

// The help window, made on first use, with the help file beside the program
// ("help/ostrel_organizer.qch"); null before installHelp and after
// removeHelp.
HelpWindow* helpWindow();

// Installs the help handlers and the F1 key.
void installHelp();
// Removes the handlers and the F1 key and destroys the help window.
void removeHelp();

}  // namespace ostrel
