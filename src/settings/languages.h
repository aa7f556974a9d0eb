#pragma once
// Language files: "Languages/<name>.lng" beside the executable. Window texts
// are applied to a whole window by TranslateForm; texts built at run time are
// looked up by key with GetLangMessage.

#include <QString>
#include <QStringList>

class QWidget;

namespace ostrel {

// The current language's name; "English" until the settings are read.
QString CurrentLanguage();
void SetCurrentLanguage(const QString& name);

// The value of key in section "Messages" of the current language file; the
// key itself when the key or the file is missing.
QString GetLangMessage(const QString& key);

// Reads "General"/"Language" from the settings file into CurrentLanguage
// and, when translate is true, translates every application window.
void LoadLanguageSetting(bool translate);

// Applies the window's section of the current language file.
void TranslateForm(QWidget* form);
// TranslateForm on every window the application owns, in creation order.
void TranslateAllForms();

// Names offered by the settings dialog's language box.
QStringList LanguageList();

}  // namespace ostrel
