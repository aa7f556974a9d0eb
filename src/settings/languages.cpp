#include "settings/languages.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStringDecoder>
#include <QWidget>

#include <algorithm>

#include "app/app_paths.h"
#include "app/forms.h"
#include "core/settings/ini_file.h"
#include "settings/control_properties.h"
#include "settings/settings_file.h"

namespace ostrel {
namespace {

QString g_language = QStringLiteral("English");

// Language files are UTF-8. A file in an 8-bit code page still loads: a
// text that is not valid UTF-8 is taken byte for byte (Latin-1), so ASCII
// keys and values keep working and nothing is dropped.
QString decode(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string encode(const QString& text) {
    return text.toUtf8().toStdString();
}

// The current language file; its path is empty when the name cannot have one.
IniFile currentLanguageFile() {
    return IniFile(QFile::encodeName(LanguageFilePath(g_language)).toStdString());
}

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
        const bool otherWindow =
            o->isWidgetType() && static_cast<QWidget*>(o)->isWindow() && !qobject_cast<QMenu*>(o);
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
    const auto v = IniFile::parseInteger(encode(text));
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

QString formatNumberArg(const QVariant& arg, QChar type, int precision, bool* ok) {
    *ok = true;
    switch (type.toLower().unicode()) {
    case 'd': {
        const qlonglong v = arg.toLongLong(ok);
        QString digits = QString::number(v < 0 ? -static_cast<qulonglong>(v) : static_cast<qulonglong>(v));
        if (precision > digits.size()) digits = QString(precision - digits.size(), QLatin1Char('0')) + digits;
        return v < 0 ? QLatin1Char('-') + digits : digits;
    }
    case 'u': {
        const qulonglong v = arg.toULongLong(ok);
        QString digits = QString::number(v);
        if (precision > digits.size()) digits = QString(precision - digits.size(), QLatin1Char('0')) + digits;
        return digits;
    }
    case 'x': {
        const qulonglong v = arg.toULongLong(ok);
        QString digits = QString::number(v, 16).toUpper();
        if (precision > digits.size()) digits = QString(precision - digits.size(), QLatin1Char('0')) + digits;
        return digits;
    }
    case 'f':
        return QString::number(arg.toDouble(ok), 'f', precision < 0 ? 2 : precision);
    case 'e':
        return QString::number(arg.toDouble(ok), 'E', precision < 0 ? 14 : std::max(0, precision - 1));
    case 'g':
        return QString::number(arg.toDouble(ok), 'g', precision < 0 ? 15 : precision);
    case 'n':
    case 'm':
        return QLocale::system().toString(arg.toDouble(ok), 'f', precision < 0 ? 2 : precision);
    default:
        *ok = false;
        return {};
    }
}

}  // namespace

QString CurrentLanguage() { return g_language; }
void SetCurrentLanguage(const QString& name) { g_language = name; }

QString LanguageFilePath(const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QChar(0)))
        return {};
    return languagesDir() + QLatin1Char('/') + name + QStringLiteral(".lng");
}

QString GetLangMessage(const QString& key) {
    const IniFile file = currentLanguageFile();
    if (file.path().empty()) return key;
    try {
        if (const auto value = file.findValue("Messages", encode(key))) return decode(*value);
    } catch (const IniError&) {
        // A language file that cannot be read counts as missing.
    }
    return key;
}

QString FormatMessageText(const QString& format, const QVariantList& args) {
    QString out;
    qsizetype next = 0;  // the argument a specifier without index takes
    const qsizetype n = format.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < n && format[i + 1] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            i += 2;
            continue;
        }
        // %[index:][-][width][.precision]type
        const qsizetype start = i;
        qsizetype j = i + 1;
        auto readNumber = [&](int& number) {
            const qsizetype from = j;
            number = 0;
            while (j < n && format[j].isDigit() && j - from < 6) number = number * 10 + format[j++].digitValue();
            return j > from;
        };
        int index = -1;
        int number = 0;
        const qsizetype afterPercent = j;
        if (readNumber(number) && j < n && format[j] == QLatin1Char(':')) {
            index = number;
            ++j;
        } else {
            j = afterPercent;
        }
        bool leftAlign = false;
        if (j < n && format[j] == QLatin1Char('-')) {
            leftAlign = true;
            ++j;
        }
        int width = 0;
        readNumber(width);
        int precision = -1;
        if (j < n && format[j] == QLatin1Char('.')) {
            ++j;
            if (!readNumber(precision)) precision = 0;
        }
        static const QString kTypes = QStringLiteral("dDuUxXsSfFeEgGnNmM");
        if (j >= n || !kTypes.contains(format[j])) {
            out += format.mid(start, j - start);
            i = j;
            continue;
        }
        const QChar type = format[j++];
        const qsizetype argIndex = index >= 0 ? index : next;
        if (argIndex >= args.size()) {
            out += format.mid(start, j - start);  // no argument: left as written
            i = j;
            continue;
        }
        next = argIndex + 1;
        const QVariant& arg = args[argIndex];
        QString text;
        if (type.toLower() == QLatin1Char('s')) {
            text = arg.toString();
            if (precision >= 0) text.truncate(precision);
        } else {
            bool ok = false;
            text = formatNumberArg(arg, type, precision, &ok);
            if (!ok) text = arg.toString();
        }
        if (text.size() < width) {
            const QString pad(width - text.size(), QLatin1Char(' '));
            text = leftAlign ? text + pad : pad + text;
        }
        out += text;
        i = j;
    }
    return out;
}

void LoadLanguageSetting(bool translate) {
    g_language = QStringLiteral("English");
    QString name;
    const bool ok = withSettingsFile([&](IniFile& ini) { name = decode(ini.readString("General", "Language", "English")); });
    if (!ok) return;
    if (!name.isEmpty()) g_language = name;
    if (translate) TranslateAllForms();
}

void TranslateForm(QWidget* form) {
    if (!form) return;
    const IniFile file = currentLanguageFile();
    if (file.path().empty()) return;
    std::vector<std::pair<std::string, std::string>> lines;
    try {
        lines = file.readSection(encode(sectionFor(form)));
    } catch (const IniError&) {
        return;  // a language file that cannot be read counts as missing
    }
    for (const auto& [key, value] : lines) translateKey(form, decode(key), decode(value));
}

void TranslateAllForms() {
    const std::vector<QWidget*> forms = applicationForms();
    for (QWidget* form : forms) TranslateForm(form);
    emit languageNotifier().languageApplied();
}

QStringList LanguageList() {
    QStringList names;
    const QDir dir(languagesDir());
    if (!dir.exists()) return names;
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        const qsizetype at = entry.indexOf(QStringLiteral(".lng"), 0, Qt::CaseSensitive);
        if (at <= 0) continue;
        const QString name = entry.left(at);
        if (!names.contains(name)) names << name;
    }
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) {
                  const int folded = a.compare(b, Qt::CaseInsensitive);
                  return folded != 0 ? folded < 0 : a < b;
              });
    return names;
}

LanguageNotifier& languageNotifier() {
    static LanguageNotifier notifier;
    return notifier;
}

}  // namespace ostrel
