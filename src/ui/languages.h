#pragma once
// Window translation: a window's section of the current language file is
// applied to its controls by TranslateForm. The texts themselves (current
// language, GetLangMessage, FormatMessageText, languageList) live in
// base/language_texts.h, included here, so every window area has both.

#include <QObject>
#include <QString>

#include "base/language_texts.h"

class QWidget;

namespace ostrel {

// Reads "General"/"Language" from the settings file into CurrentLanguage
// and, when translate is true, translates every application window. An
// empty stored name counts as "English"; without the key (a first start
// has no settings file) the system's locale picks the language
// (languageForLocale). A settings file that cannot be
// read is reported as the settings helper does (settings_file.h).
void LoadLanguageSetting(bool translate);

// The current language's locale code ("ru"): "Captions" key Locale of its
// file, else the code of the language Qt knows by the file's name
// ("Russian"); empty when neither names one.
QString languageLocaleCode();
// Qt's own texts (standard buttons, file dialogs, the help's search) in the
// current language: Qt's translation files qtbase_<code> and qt_help_<code>
// from Qt's translations folder, swapped for the previous language's.
// English, or a language Qt has no file for, leaves Qt's own English texts.
// Run by LoadLanguageSetting and TranslateAllForms.
void applyQtTranslations();

// Applies the window's section of the current language file.
void TranslateForm(QWidget* form);
// applyQtTranslations, TranslateForm on every window the application owns,
// in creation order, then languageNotifier().languageApplied().
void TranslateAllForms();

// Told after TranslateAllForms, so that windows can rebuild the texts they
// set in code with GetLangMessage.
class LanguageNotifier : public QObject {
    Q_OBJECT
signals:
    void languageApplied();
};
LanguageNotifier& languageNotifier();

}  // namespace ostrel
