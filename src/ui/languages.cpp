#include "ui/languages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStringDecoder>
#include <QTranslator>
#include <QWidget>

#include <algorithm>

#include "core/settings/ini_file.h"
#include "ui/application_forms.h"
#include "ui/control_properties.h"
#include "ui/settings_file.h"

namespace ostrel {
namespace {

// The control of that name in the window: any QObject below it (widgets,
// menu actions, dialogs), matched exactly or else without regard to case.
// Other windows parented to this one are controls themselves, but their
// contents belong to them; menus are the exception, their items are ours.
QObject* findControl(QWidget* form, const QString& name) {
    QObject* folded = nullptr;
    QObjectList queue = form->children();
    for (qsizetype i = 0; i < queue.size(); ++i) {
        QObject* o = queue[i];
        const QString own = o->objectName();
        if (own == name) return o;
        if (!folded && own.compare(name, Qt::CaseInsensitive) == 0) folded = o;
        const bool otherWindow = o->isWidgetType() && static_cast<QWidget*>(o)->isWindow() && !qobject_cast<QMenu*>(o);
        if (!otherWindow) queue += o->children();
    }
    return folded;
}

// The section a window reads: its name less a trailing "_1" .. "_99".
QString sectionFor(const QWidget* form) {
    static const QRegularExpression copySuffix(QStringLiteral("_[0-9]{1,2}$"));
    QString name = form->objectName();
    name.remove(copySuffix);
    return name;
}

// A whole-number index into a list of count items.
std::optional<int> indexInto(const QString& text, int count) {
    const auto v = IniFile::parseInteger(encodeLanguageText(text));
    if (!v || *v < 0 || *v >= count) return std::nullopt;
    return static_cast<int>(*v);
}

// Name.Prop(i) and Name(i): item index of list on control := value.
void setListItem(QObject* control, const StringListAccess& list, const QString& indexText, const QString& value) {
    const QSignalBlocker blocker(control);
    const auto index = indexInto(indexText, list.count());
    if (!index) return;  // outside the list: skipped
    list.setItem(*index, value);
}

// Splits "Prop(i)..." into Prop and i; false unless "(" comes before ")".
bool splitIndexed(const QString& text, QString& prop, QString& index) {
    const qsizetype open = text.indexOf(QLatin1Char('('));
    const qsizetype close = text.indexOf(QLatin1Char(')'));
    if (open < 0 || close < 0 || close < open) return false;
    prop = text.left(open);
    index = text.mid(open + 1, close - open - 1);
    return true;
}

void applyScalar(QObject* target, const QString& property, const QString& value, bool isForm) {
    if (auto list = stringListProperty(target, property)) {
        const QSignalBlocker blocker(target);
        list->replaceAll(splitCommaText(value));
        return;
    }
    applyPropertyValue(target, scalarProperty(target, property, isForm), value);
}

void translateKey(QWidget* form, const QString& key, const QString& value) {
    const qsizetype dot = key.indexOf(QLatin1Char('.'));

    // Name: a control's default text, or a property of the window.
    if (dot < 0 && isIdentifier(key)) {
        if (QObject* control = findControl(form, key)) {
            const QString property = defaultPropertyName(control);
            if (!property.isEmpty()) applyScalar(control, property, value, false);
            return;
        }
        applyScalar(form, key, value, true);
        return;
    }

    const QString left = dot < 0 ? QString() : key.left(dot);
    const QString right = dot < 0 ? QString() : key.mid(dot + 1);

    // Name.Prop
    if (isIdentifier(left) && isIdentifier(right)) {
        if (QObject* control = findControl(form, left)) applyScalar(control, right, value, control == form);
        return;
    }

    // Name.Prop(i): item i of a string-list property.
    if (isIdentifier(left)) {
        QObject* control = findControl(form, left);
        QString prop, index;
        if (!control || !splitIndexed(right, prop, index)) return;
        if (auto list = stringListProperty(control, prop)) setListItem(control, *list, index, value);
        return;
    }

    // Name(i): item i of the control's Items; a leading "." protects blanks.
    QString name, index;
    if (!splitIndexed(key, name, index) || !isIdentifier(name)) return;
    QObject* control = findControl(form, name);
    if (!control) return;
    if (auto list = stringListProperty(control, QStringLiteral("Items"))) {
        const QString item = value.startsWith(QLatin1Char('.')) ? value.mid(1) : value;
        setListItem(control, *list, index, item);
    }
}

}  // namespace

void LoadLanguageSetting(bool translate) {
    SetCurrentLanguage(QStringLiteral("English"));
    QString name;
    // Until the user picks a language (a first start has no settings file
    // at all), the system's locale picks it.
    const bool ok = withSettingsFile([&](IniFile& ini) {
        const std::optional<std::string> stored = ini.findValue("General", "Language");
        name = stored ? decodeLanguageText(*stored) : languageForLocale(QLocale::system());
    });
    if (!ok) {
        applyQtTranslations();
        return;
    }
    if (!name.isEmpty()) SetCurrentLanguage(name);
    if (translate) TranslateAllForms();
    else applyQtTranslations();
}

QString languageLocaleCode() {
    QString code = GetLangCaption(QStringLiteral("Locale"), QString()).trimmed();
    if (code.isEmpty()) {
        bool known = false;
        const int language =
            QMetaEnum::fromType<QLocale::Language>().keyToValue(CurrentLanguage().toLatin1().constData(), &known);
        if (known) code = QLocale::languageToCode(static_cast<QLocale::Language>(language));
    }
    return code;
}

void applyQtTranslations() {
    if (!QCoreApplication::instance()) return;
    struct QtTranslators {
        QString code;
        QTranslator base;
        QTranslator help;
    };
    static QtTranslators translators;
    QString code = languageLocaleCode();
    // Qt's own texts are English already.
    if (code == QLatin1String("en") || code.startsWith(QLatin1String("en_"))) code.clear();
    if (code == translators.code) return;
    translators.code = code;
    QCoreApplication::removeTranslator(&translators.base);
    QCoreApplication::removeTranslator(&translators.help);
    if (code.isEmpty()) return;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translators.base.load(QStringLiteral("qtbase_") + code, folder))
        QCoreApplication::installTranslator(&translators.base);
    if (translators.help.load(QStringLiteral("qt_help_") + code, folder))
        QCoreApplication::installTranslator(&translators.help);
}

void TranslateForm(QWidget* form) {
    if (!form) return;
    const IniFile file = currentLanguageFile();
    if (file.path().empty()) return;
    std::vector<std::pair<std::string, std::string>> lines;
    try {
        lines = file.readSection(encodeLanguageText(sectionFor(form)));
    } catch (const IniError&) {
        return;  // a language file that cannot be read counts as missing
    }
    for (const auto& [key, value] : lines) translateKey(form, decodeLanguageText(key), decodeLanguageText(value));
}

void TranslateAllForms() {
    applyQtTranslations();
    const std::vector<QWidget*> forms = applicationForms();
    for (QWidget* form : forms) TranslateForm(form);
    emit languageNotifier().languageApplied();
}

LanguageNotifier& languageNotifier() {
    static LanguageNotifier notifier;
    return notifier;
}

}  // namespace ostrel
