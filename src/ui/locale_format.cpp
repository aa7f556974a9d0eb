#include "ui/locale_format.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace ostrel {

QString longTimeFormat() {
    // Asked every second by the clock and for every drawn cell of a list: the
    // cleaned-up format is kept until the locale's own format changes.
    static QString raw;
    static QString cleaned;
    const QString f = QLocale::system().timeFormat(QLocale::LongFormat);
    if (f != raw || cleaned.isEmpty()) {
        // Drop time-zone names ("t", "tt", "ttt", "tttt") and what separates them.
        static const QRegularExpression zone(QStringLiteral("\\s*\\(?t+\\)?\\s*"));
        QString c = f;
        c.remove(zone);
        if (!c.contains(QLatin1Char('s'))) c = QStringLiteral("HH:mm:ss");
        raw = f;
        cleaned = c.trimmed();
    }
    return cleaned;
}

QString shortTimeFormat() {
    static QString raw;
    static QString cleaned;
    const QString f = QLocale::system().timeFormat(QLocale::ShortFormat);
    if (f != raw || cleaned.isEmpty()) {
        static const QRegularExpression zone(QStringLiteral("\\s*\\(?t+\\)?\\s*"));
        // Times of the short form are to the minute: seconds (and what
        // separates them) go too, as in the C locale's "HH:mm:ss".
        static const QRegularExpression seconds(QStringLiteral("[^a-zA-Z']*s+(\\.z+)?"));
        QString c = f;
        c.remove(zone);
        c.remove(seconds);
        if (!c.contains(QLatin1Char('m'))) c = QStringLiteral("HH:mm");
        raw = f;
        cleaned = c.trimmed();
    }
    return cleaned;
}

QString longDateFormat() { return QLocale::system().dateFormat(QLocale::LongFormat); }

QString shortDateFormat() { return QLocale::system().dateFormat(QLocale::ShortFormat); }

QDateTime toQDateTime(DateTime dt) {
    const CivilDateTime c = decodeDateTime(dt);
    return QDateTime(QDate(c.date.year, c.date.month, c.date.day),
                     QTime(c.time.hour, c.time.minute, c.time.second, c.time.msec));
}

DateTime fromQDateTime(const QDateTime& dt) {
    const QDate d = dt.date();
    const QTime t = dt.time();
    return encodeDateTime({{d.year(), d.month(), d.day()}, {t.hour(), t.minute(), t.second(), t.msec()}});
}

QString formatLongTime(DateTime dt) { return QLocale::system().toString(toQDateTime(dt).time(), longTimeFormat()); }

QString formatShortTime(double timeOfDay) {
    const long long minutes = std::llround(timeOfDay * 1440.0);
    const QTime t(static_cast<int>(minutes / 60 % 24), static_cast<int>(minutes % 60));
    return QLocale::system().toString(t, shortTimeFormat());
}

QString formatShortDateTime(DateTime dt) {
    const QDateTime q = toQDateTime(dt);
    return QLocale::system().toString(q.date(), shortDateFormat()) + QLatin1Char(' ') +
           QLocale::system().toString(q.time(), longTimeFormat());
}

QString formatLongDateTime(DateTime dt) {
    const QDateTime q = toQDateTime(dt);
    return QLocale::system().toString(q.date(), longDateFormat()) + QLatin1Char(' ') +
           QLocale::system().toString(q.time(), longTimeFormat());
}

}  // namespace ostrel
