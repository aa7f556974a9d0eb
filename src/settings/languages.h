#pragma once
// Language files: "Languages/<name>.lng" beside the executable. Window texts
// are applied to a whole window by TranslateForm; texts built at run time are
// looked up by key with GetLangMessage. The key forms, the property names and
// the choices made where the format leaves room are described in
// docs/languages.md.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

class QWidget;

namespace ostrel {

// The current language's name; "English" until the settings are read.
QString CurrentLanguage();
void SetCurrentLanguage(const QString& name);

// The file the language name stands for: "<exeDir>/Languages/<name>.lng".
// Empty for a name that is empty or holds a path separator (such a
// language has no file, so it reads as missing).
QString LanguageFilePath(const QString& name);

// The value of key in section "Messages" of the current language file; the
// key itself when the key or the file is missing.
QString GetLangMessage(const QString& key);

// Delphi-style formatting for message texts: %s, %d, %u, %x, %f, %g, %e,
// %n and %m with an optional argument index ("%1:s"), '-' flag, width and
// precision; "%%" is one percent sign. A specifier without an argument, or
// one it does not know, is left as written, so a translated text with a
// stray placeholder never fails.
QString FormatMessageText(const QString& format, const QVariantList& args);

// Reads "General"/"Language" from the settings file into CurrentLanguage
// and, when translate is true, translates every application window. An
// empty stored name counts as "English". A settings file that cannot be
// read is reported as the settings helper does (settings_file.h).
void LoadLanguageSetting(bool translate);

// Applies the window's section of the current language file.
void TranslateForm(QWidget* form);
// TranslateForm on every window the application owns, in creation order,
// then languageNotifier().languageApplied().
void TranslateAllForms();

// Names offered by the settings dialog's language box: for each entry of
// the languages folder whose name holds ".lng" (that case), the part before
// the first ".lng"; sorted without regard to case, without repeats or empty
// names. Empty when the folder cannot be listed.
QStringList LanguageList();

// Told after TranslateAllForms, so that windows can rebuild the texts they
// set in code with GetLangMessage.
class LanguageNotifier : public QObject {
    Q_OBJECT
signals:
    void languageApplied();
};
LanguageNotifier& languageNotifier();

}  // namespace ostrel
