#pragma once
// Files the program keeps beside its executable.

#include <QString>

namespace ostrel {

// Folder of the executable, without a trailing separator. Tests may point it
// at a temporary folder.
QString exeDir();
void setExeDirForTesting(const QString& dir);  // empty restores the real one
// Full path of the executable (its folder plus its file name).
QString exePath();

// Executable's path with its extension replaced by ".ini".
QString settingsFilePath();
QString databaseFilePath();          // "Tamo.qdb"
QString languagesDir();              // "Languages"
QString skinFilePath();              // "skins/ostrel.skn"
QString analogDialPath();            // "Images/Analog_clock.jpg"
QString helpFilePath();              // "help/ostrel_organizer.qch"
QString notesFilePath();             // "pockerbook.rtf"

}  // namespace ostrel
