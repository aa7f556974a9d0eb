#pragma once
// Where the program's files are (docs/files.md). One rule decides:
//
// - Portable: a file named "portable" stands beside the executable, or the
//   executable's folder holds "Tamo.qdb" and is writable (a build folder).
//   Every file is beside the executable.
// - Installed, otherwise: the user's files (database, notes, Photos,
//   Backups) in the user's data folder ($XDG_DATA_HOME, else
//   ~/.local/share, then "ostrel-organizer"), the settings file in the
//   user's configuration folder ($XDG_CONFIG_HOME, else ~/.config, then
//   "ostrel-organizer"), and the read-only files (languages, skin, dial,
//   help, the empty database a first start copies) in the installed share
//   folder (<prefix>/share/ostrel-organizer beside <prefix>/bin).
// - "--data-dir DIR" on the command line, or OSTREL_DATA_DIR, puts every
//   user file, the settings file too, in DIR in either mode.

#include <QString>
#include <QStringList>

namespace ostrel {

// Folder of the executable, without a trailing separator. Tests may point it
// at a temporary folder, which then holds every file (portable).
QString exeDir();
void setExeDirForTesting(const QString& dir);  // empty restores the real one
// Full path of the executable (its folder plus its file name).
QString exePath();

// The folder given by --data-dir or OSTREL_DATA_DIR (empty: none). Set
// once at start, before any path is asked for.
void setDataDirOverride(const QString& dir);
// Takes "--data-dir DIR" and "--data-dir=DIR" out of the arguments and
// returns DIR (empty when not given); error is set when the option lacks
// its folder.
QString takeDataDirArgument(QStringList& arguments, QString* error = nullptr);

// The rule itself, on the facts it looks at (tests drive it with a table).
struct PathFacts {
    QString exeDir;
    bool exeDirWritable = false;
    bool portableMarker = false;     // a file "portable" beside the executable
    bool databaseBesideExe = false;  // "Tamo.qdb" beside the executable
    bool shareDirExists = false;     // <exeDir>/../share/ostrel-organizer
    QString dataDir;                 // --data-dir or OSTREL_DATA_DIR
    QString xdgDataHome;
    QString xdgConfigHome;
    QString home;
};
struct PathLayout {
    bool portable = false;
    QString data;
    QString config;
    QString readOnly;
};
PathLayout decidePaths(const PathFacts& facts);

bool isPortable();
QString userDataDir();  // the database, notes, Photos, Backups
QString configDir();    // the settings file
QString readOnlyDir();  // languages, skin, dial, help, the empty database
// The empty database a first start copies into userDataDir(); empty when
// the program has none (portable: the build lays out the database itself).
QString databaseTemplatePath();
// Copies the empty database into place when none is there (installed, or
// a new --data-dir folder), making the folders. Returns false with error
// set when that fails; true also when nothing was to be done.
bool prepareUserFiles(QString* error = nullptr);

QString settingsFilePath();  // "ostrel-organizer.ini" (portable: the executable's name with ".ini")
QString databaseFilePath();  // "Tamo.qdb"
QString languagesDir();      // "Languages"
QString skinFilePath();      // "skins/ostrel.skn"
QString analogDialPath();    // "Images/Analog_clock.jpg"
QString helpFilePath();      // "help/ostrel_organizer.qch"
QString notesFilePath();     // "pockerbook.rtf"
QString photosDir();         // "Photos", where imported contact photos go
QString backupsDir();        // "Backups"

// Contact photos. A stored path is absolute when it is an absolute path of
// this system; otherwise it is relative to the user's data folder (a
// leading separator and backslashes are accepted). A file inside that
// folder is stored relative to it, so the folder can be moved with its
// photos.
// The file a stored photo path names; empty for an empty path.
QString resolvePhotoPath(const QString& stored);
// The text to store for a file the user chose.
QString storablePhotoPath(const QString& chosenFile);

}  // namespace ostrel
