#include "ui/locale_format.h"

#include <QLocale>
#include <QRegularExpression>

namespace ostrel {

QString longTimeFormat() {
    QString f = QLocale::system().timeFormat(QLocale::LongFormat);
    // Drop time-zone names ("t", "tt", "ttt", "tttt") and what separates them.
    static const QRegularExpression zone(QStringLiteral("\\s*\\(?t+\\)?\\s*"));
    f.remove(zone);
    if (!f.contains(QLatin1Char('s'))) f = QStringLiteral("HH:mm:ss");
    return f.trimmed();
}

QString longDateFormat() {
    return QLocale::system().dateFormat(QLocale::LongFormat);
}

QString shortDateFormat() {
    return QLocale::system().dateFormat(QLocale::ShortFormat);
}

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

QString formatLongTime(DateTime dt) {
    return QLocale::system().toString(toQDateTime(dt).time(), longTimeFormat());
}

QString formatLongDateTime(DateTime dt) {
    const QDateTime q = toQDateTime(dt);
    return QLocale::system().toString(q.date(), longDateFormat()) + QLatin1Char(' ') +
           QLocale::system().toString(q.time(), longTimeFormat());
}

}  // namespace ostrel
