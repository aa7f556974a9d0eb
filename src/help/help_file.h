#pragma once
// Which help file the help window opens, and which topic stands for a
// window's help context number.

#include <QString>

namespace ostrel {

// True when the name's extension (from its last "." to the end) is ".qch"
// in any letter case. A name without "." is not a help file.
bool isHelpFileName(const QString& name);

// A name without a folder part is taken from programFolder; a name with a
// folder (absolute or relative) is kept as it stands.
QString resolveHelpFile(const QString& name, const QString& programFolder);

// The translated manual for a language: "<folder of file>/<language>/<file
// name>" when that file exists, otherwise file itself. English is the
// manual beside the program. A language name holding a path separator or
// ".." has no translation.
QString localizedHelpFile(const QString& file, const QString& language);

// The keyword identifier the manual gives the topic of a context number:
// "context-<n>" (see help/*/ostrel_organizer.qhp).
QString helpIdentifier(int context);

}  // namespace ostrel
