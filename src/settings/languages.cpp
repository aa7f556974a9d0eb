// Placeholder until language files are read: every message reads as its key.
#include "settings/languages.h"

namespace ostrel {
namespace {
QString g_language = QStringLiteral("English");
}

QString CurrentLanguage() { return g_language; }
void SetCurrentLanguage(const QString& name) { g_language = name; }
QString GetLangMessage(const QString& key) { return key; }
void LoadLanguageSetting(bool) {}
void TranslateForm(QWidget*) {}
void TranslateAllForms() {}
QStringList LanguageList() { return {}; }

}  // namespace ostrel
