#pragma once
// The texts of the current language: "Languages/<name>.lng" beside the
// executable. Texts built at run time are looked up by key with
// GetLangMessage; whole windows are translated by TranslateForm
// (ui/languages.h). The key forms and the choices made where the format
// leaves room are described in docs/languages.md. Qt Core only, so the data
// module may use it too.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <string>

#include "core/data/period.h"
#include "core/settings/ini_file.h"

namespace ostrel {

// The current language's name; "English" until the settings are read.
QString CurrentLanguage();
void SetCurrentLanguage(const QString& name);

// The file the language name stands for: "<exeDir>/Languages/<name>.lng".
// Empty for a name that is empty or holds a path separator (such a
// language has no file, so it reads as missing).
QString languageFilePath(const QString& name);

// The value of key in section "Messages" of the current language file; the
// key itself when the key or the file is missing.
QString GetLangMessage(const QString& key);

// The message as GetLangMessage gives it, or englishDefault when the
// language file lacks it (for messages about a damaged installation, whose
// language files may be gone too).
QString GetLangMessageOr(const QString& key, const QString& englishDefault);

// A fixed caption (a message box's title and the like): the value of key in
// the optional section "Captions" of the current language file, else
// englishDefault.
QString GetLangCaption(const QString& key, const QString& englishDefault);

// "<count> <unit>" with the unit in the plural form the
// count takes in the current language: the language file's "Captions" key
// Unit<id> holds the forms separated by '|' (two forms: one / other; three:
// the one / few / many forms of Russian and its neighbours). English forms
// are the default. puNone gives the count alone.
QString FormatCountWithUnit(qint64 count, PeriodUnit unit);
// The unit's word alone, in the form FormatCountWithUnit gives it; empty
// for puNone.
QString unitForCount(qint64 count, PeriodUnit unit);
// The unit's word as a unit list beside a count the user sets shows it,
// read on from the words before the count ("postpone by 1 minute"): the
// forms of "Captions" key UnitInList<id>, else those of Unit<id>. (Russian
// puts a feminine unit in the accusative there: "на 1 минуту".)
QString unitInListForCount(qint64 count, PeriodUnit unit);

// Formatting for message texts: %s, %d, %u, %x, %f, %g, %e, %n and %m with
// an optional argument index ("%1:s"), '-' flag, width and precision; "%%"
// is one percent sign. A specifier without an argument, or one it does not
// know, is left as written, so a translated text with a stray placeholder
// never fails.
QString FormatMessageText(const QString& format, const QVariantList& args);

// Names offered by the settings dialog's language box: for each entry of
// the languages folder whose name holds ".lng" (that case), the part before
// the first ".lng"; sorted without regard to case, without repeats or empty
// names. Empty when the folder cannot be listed.
QStringList languageList();

// The language a locale asks for: the language's English name
// ("Russian" for ru_RU, ru_UA, ...) when the languages folder has a file of
// that name (languageList), otherwise "English".
QString languageForLocale(const QLocale& locale);

// The name a language gives itself ("Russian.lng" says "Русский"): the
// value of "LanguageName" in the "Captions" section of its file, else the
// file's name. The settings store the file's name, never this one.
QString languageDisplayName(const QString& name);

// Language files are UTF-8; a text that is not valid UTF-8 is taken byte
// for byte (Latin-1).
QString decodeLanguageText(const std::string& bytes);
std::string encodeLanguageText(const QString& text);
// The current language file; its path is empty when the name cannot have one.
IniFile currentLanguageFile();

}  // namespace ostrel
