#include "base/language_texts.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>

#include "base/app_paths.h"

namespace ostrel {
namespace {

QString g_language = QStringLiteral("English");

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
        case 'f': return QString::number(arg.toDouble(ok), 'f', precision < 0 ? 2 : precision);
        case 'e': return QString::number(arg.toDouble(ok), 'E', precision < 0 ? 14 : std::max(0, precision - 1));
        case 'g': return QString::number(arg.toDouble(ok), 'g', precision < 0 ? 15 : precision);
        case 'n':
        case 'm': return QLocale::system().toString(arg.toDouble(ok), 'f', precision < 0 ? 2 : precision);
        default: *ok = false; return {};
    }
}

}  // namespace

// Language files are UTF-8. A file in an 8-bit code page still loads: a
// text that is not valid UTF-8 is taken byte for byte (Latin-1), so ASCII
// keys and values keep working and nothing is dropped.
QString decodeLanguageText(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string encodeLanguageText(const QString& text) { return text.toUtf8().toStdString(); }

// The current language file; its path is empty when the name cannot have one.
IniFile currentLanguageFile() { return IniFile(QFile::encodeName(languageFilePath(g_language)).toStdString()); }

QString CurrentLanguage() { return g_language; }
void SetCurrentLanguage(const QString& name) { g_language = name; }

QString languageFilePath(const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QChar(0)))
        return {};
    return languagesDir() + QLatin1Char('/') + name + QStringLiteral(".lng");
}

QString GetLangMessage(const QString& key) {
    const IniFile file = currentLanguageFile();
    if (file.path().empty()) return key;
    try {
        if (const auto value = file.findValue("Messages", encodeLanguageText(key))) return decodeLanguageText(*value);
    } catch (const IniError&) {
        // A language file that cannot be read counts as missing.
    }
    return key;
}

QString GetLangMessageOr(const QString& key, const QString& englishDefault) {
    const QString text = GetLangMessage(key);
    return text == key ? englishDefault : text;
}

QString GetLangCaption(const QString& key, const QString& englishDefault) {
    const IniFile file = currentLanguageFile();
    if (file.path().empty()) return englishDefault;
    try {
        if (const auto value = file.findValue("Captions", encodeLanguageText(key))) return decodeLanguageText(*value);
    } catch (const IniError&) {
    }
    return englishDefault;
}

QString languageDisplayName(const QString& name) {
    const QString path = languageFilePath(name);
    if (path.isEmpty()) return name;
    try {
        const IniFile file(QFile::encodeName(path).toStdString());
        if (const auto value = file.findValue("Captions", "LanguageName")) {
            const QString own = decodeLanguageText(*value).trimmed();
            if (!own.isEmpty()) return own;
        }
    } catch (const IniError&) {
    }
    return name;
}

namespace {

// The form of forms (one|other, or one|few|many) that count takes.
QString pluralForm(const QStringList& forms, qint64 count) {
    const qint64 n = count < 0 ? -count : count;
    qsizetype form = 0;
    if (forms.size() >= 3) {
        const qint64 last = n % 10, lastTwo = n % 100;
        form = (last == 1 && lastTwo != 11) ? 0 : (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14)) ? 1 : 2;
    } else {
        form = n == 1 ? 0 : 1;
    }
    return forms.value(std::min(form, forms.size() - 1)).trimmed();
}

const char* const kEnglishUnits[] = {"minute|minutes", "hour|hours",   "day|days",
                                     "week|weeks",     "month|months", "year|years"};

QString unitForms(const QString& key, PeriodUnit unit, const QString& fallback) {
    const int unitId = static_cast<int>(storedPeriodUnit(unit));
    return GetLangCaption(key + QString::number(unitId), fallback);
}

}  // namespace

QString unitForCount(qint64 count, PeriodUnit unit) {
    if (!isPeriodUnit(unit)) return {};
    const int unitId = static_cast<int>(storedPeriodUnit(unit));
    return pluralForm(unitForms(QStringLiteral("Unit"), unit, QLatin1String(kEnglishUnits[unitId - 1])).split(u'|'),
                      count);
}

QString unitInListForCount(qint64 count, PeriodUnit unit) {
    if (!isPeriodUnit(unit)) return {};
    const int unitId = static_cast<int>(storedPeriodUnit(unit));
    const QString forms = unitForms(QStringLiteral("UnitInList"), unit,
                                    unitForms(QStringLiteral("Unit"), unit, QLatin1String(kEnglishUnits[unitId - 1])));
    return pluralForm(forms.split(u'|'), count);
}

QString FormatCountWithUnit(qint64 count, PeriodUnit unit) {
    if (!isPeriodUnit(unit)) return QString::number(count);
    return QString::number(count) + QLatin1Char(' ') + unitForCount(count, unit);
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

QStringList languageList() {
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
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

QString languageForLocale(const QLocale& locale) {
    const QString name = QLocale::languageToString(locale.language());
    if (locale.language() != QLocale::C && languageList().contains(name)) return name;
    return QStringLiteral("English");
}

}  // namespace ostrel
