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
QString databaseFilePath();  // "Tamo.qdb"
QString languagesDir();      // "Languages"
QString skinFilePath();      // "skins/ostrel.skn"
QString analogDialPath();    // "Images/Analog_clock.jpg"
QString helpFilePath();      // "help/ostrel_organizer.qch"
QString notesFilePath();     // "pockerbook.rtf"
QString photosDir();         // "Photos", where imported contact photos go

// Contact photos. A stored path is absolute when it is an absolute path of
// this system; otherwise it is relative to the executable's folder (a
// leading separator and backslashes, as older address books wrote them, are
// accepted). A file inside the executable's folder is stored relative to
// it, so the folder can be moved with its photos.
// The file a stored photo path names; empty for an empty path.
QString resolvePhotoPath(const QString& stored);
// The text to store for a file the user chose.
QString storablePhotoPath(const QString& chosenFile);

}  // namespace ostrel
