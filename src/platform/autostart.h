#pragma once
// Starting the program at logon: a freedesktop autostart entry
// "$XDG_CONFIG_HOME/autostart/ostrel-organizer.desktop" (~/.config when the
// variable is unset or not absolute) whose Exec is the executable's path.

#include <QString>

namespace ostrel {

QString autostartEntryPath();
// The program named by the entry's Exec line; empty when there is no entry.
QString autostartCommand();
// True when the entry exists and starts exactly this path (case-sensitive).
bool autostartEnabledFor(const QString& exePath);
// Writes the entry; throws std::runtime_error when it cannot be written.
void setAutostart(const QString& exePath);
// Removes the entry; throws std::runtime_error when it exists and cannot be removed.
void removeAutostart();

}  // namespace ostrel
