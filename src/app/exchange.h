#pragma once
// Calendar and contact exchange as the user reaches it: the four commands
// of the clock menu's "Exchange" submenu and the command-line options
// --export-calendar, --import-calendar, --export-contacts and
// --import-contacts (docs/exchange.md).

#include <optional>

namespace ostrel {

// The menu commands: a file dialog, the work, a summary message. A file
// that cannot be used is refused with a message; nothing changes then.
void importCalendarCommand();
void exportCalendarCommand();
void importContactsCommand();
void exportContactsCommand();

// Another process changed the database: every view re-reads it and the
// reminder gate is worked out again.
void refreshAfterExternalChange();

// When the command line asks for an exchange: runs it without any window
// on the database beside the program (a running copy keeps running and is
// told to refresh its views), prints a one-line summary on standard output
// (the error on standard error) and returns the exit code (0 done, 1
// failed, 2 a wrong command line). Nothing when the command line asks for
// none.
std::optional<int> runExchangeCommandLine(int argc, char** argv);

}  // namespace ostrel
