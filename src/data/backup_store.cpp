#include "data/backup_store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>
#include <stdexcept>
#include <vector>

#include "base/app_paths.h"
#include "core/data/backup_retention.h"
#include "core/data/sql/backup.h"
#include "core/data/sql/sql_value.h"
#include "core/time/clock_service.h"

namespace ostrel {
namespace {

const QString kStampFormat = QStringLiteral("yyyy-MM-dd HH-mm-ss");
const QString kPartialPrefix = QStringLiteral(".partial ");
const QString kReplacedPrefix = QStringLiteral("replaced ");

QString stampName(DateTime t) {
    const CivilDateTime c = decodeDateTime(t);
    const QDateTime q(QDate(c.date.year, c.date.month, c.date.day), QTime(c.time.hour, c.time.minute, c.time.second));
    return q.toString(kStampFormat);
}

// The moment a copy's folder name stands for; NaN when it names none.
DateTime parseStamp(const QString& name) {
    const QDateTime q = QDateTime::fromString(name.left(19), kStampFormat);
    if (!q.isValid()) return std::numeric_limits<double>::quiet_NaN();
    CivilDateTime c;
    c.date = {q.date().year(), q.date().month(), q.date().day()};
    c.time = {q.time().hour(), q.time().minute(), q.time().second(), 0};
    return encodeDateTime(c);
}

std::runtime_error fail(const QString& text) { return std::runtime_error(text.toStdString()); }

// A free folder name: base, else base plus " (2)", " (3)" ...
QString freeFolder(const QString& parent, const QString& base) {
    QString path = parent + QLatin1Char('/') + base;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = parent + QLatin1Char('/') + base + QStringLiteral(" (%1)").arg(n);
    return path;
}

// Copies a file through a temporary name, so the target is whole or absent.
void copyFile(const QString& from, const QString& to) {
    const QString tmp = to + QStringLiteral(".tmp");
    QFile::remove(tmp);
    if (!QFile::copy(from, tmp)) throw fail(QStringLiteral("Cannot copy \"%1\" to \"%2\"").arg(from, tmp));
    if (!QFile::rename(tmp, to)) {
        QFile::remove(tmp);
        throw fail(QStringLiteral("Cannot write \"%1\"").arg(to));
    }
}

QStringList databaseCompanions(const QString& db) {
    return {db, db + QStringLiteral("-journal"), db + QStringLiteral("-wal"), db + QStringLiteral("-shm")};
}

}  // namespace

BackupStore::BackupStore(sql::Connection& conn, QObject* parent) : QObject(parent), conn_(conn) {}

QString BackupStore::backupsDir() { return exeDir() + QStringLiteral("/Backups"); }

QList<BackupCopy> BackupStore::copies() const {
    QList<BackupCopy> out;
    const QString dbName = QFileInfo(databaseFilePath()).fileName();
    const QDir dir(backupsDir());
    for (const QFileInfo& fi : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed)) {
        const DateTime made = parseStamp(fi.fileName());
        if (!inServiceRange(made)) continue;
        if (!QFileInfo::exists(fi.filePath() + QLatin1Char('/') + dbName)) continue;
        out.append({fi.filePath(), fi.fileName(), made});
    }
    return out;
}

bool BackupStore::isDue(DateTime now) const {
    const QList<BackupCopy> all = copies();
    for (const BackupCopy& c : all)
        if (datePart(c.made) == datePart(now)) return false;
    return true;
}

QString BackupStore::backUpNow() {
    const QString root = backupsDir();
    if (!QDir().mkpath(root)) throw fail(QStringLiteral("Cannot create the folder \"%1\"").arg(root));
    QDir rootDir(root);
    // What an interrupted copy left behind.
    for (const QString& left : rootDir.entryList({kPartialPrefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden))
        QDir(root + QLatin1Char('/') + left).removeRecursively();

    const QString name = stampName(clock().now());
    const QString partial = root + QLatin1Char('/') + kPartialPrefix + name;
    if (!QDir().mkpath(partial)) throw fail(QStringLiteral("Cannot create the folder \"%1\"").arg(partial));
    try {
        const QString db = databaseFilePath();
        sql::backupDatabase(db.toStdString(), (partial + QLatin1Char('/') + QFileInfo(db).fileName()).toStdString());
        for (const QString& file : {notesFilePath(), settingsFilePath()}) {
            if (QFileInfo::exists(file)) copyFile(file, partial + QLatin1Char('/') + QFileInfo(file).fileName());
        }
    } catch (...) {
        QDir(partial).removeRecursively();
        throw;
    }
    const QString final = freeFolder(root, name);
    if (!rootDir.rename(partial, final)) {
        QDir(partial).removeRecursively();
        throw fail(QStringLiteral("Cannot create the folder \"%1\"").arg(final));
    }

    // The retention rule; copies it lets go are removed.
    const QList<BackupCopy> all = copies();
    std::vector<DateTime> stamps;
    for (const BackupCopy& c : all) stamps.push_back(c.made);
    const std::vector<bool> keep = backupsToKeep(stamps);
    for (qsizetype i = 0; i < all.size(); ++i)
        if (!keep[static_cast<std::size_t>(i)] && all[i].folder != final) QDir(all[i].folder).removeRecursively();
    emit changed();
    return final;
}

BackupCopy BackupStore::newestGoodCopy() const {
    const QString dbName = QFileInfo(databaseFilePath()).fileName();
    for (const BackupCopy& c : copies())
        if (checkDatabaseFile(c.folder + QLatin1Char('/') + dbName).isEmpty()) return c;
    return {};
}

QString BackupStore::restoreDatabase(const BackupCopy& copy) {
    const QString db = databaseFilePath();
    const QString source = copy.folder + QLatin1Char('/') + QFileInfo(db).fileName();
    const QStringList problems = checkDatabaseFile(source);
    if (!problems.isEmpty())
        throw fail(QStringLiteral("The copy \"%1\" is damaged: %2").arg(source, problems.join(QLatin1Char(' '))));

    conn_.close();
    const QString root = backupsDir();
    const QString aside = freeFolder(root, kReplacedPrefix + stampName(clock().now()));
    if (!QDir().mkpath(aside)) throw fail(QStringLiteral("Cannot create the folder \"%1\"").arg(aside));
    QStringList moved;
    auto putBack = [&] {
        for (const QString& f : moved) QFile::rename(aside + QLatin1Char('/') + QFileInfo(f).fileName(), f);
    };
    for (const QString& f : databaseCompanions(db)) {
        if (!QFileInfo::exists(f)) continue;
        if (!QFile::rename(f, aside + QLatin1Char('/') + QFileInfo(f).fileName())) {
            putBack();
            throw fail(QStringLiteral("Cannot move \"%1\" aside").arg(f));
        }
        moved << f;
    }
    try {
        copyFile(source, db);
    } catch (...) {
        putBack();
        throw;
    }
    emit restored();
    return aside;
}

QStringList BackupStore::checkDatabaseFile(const QString& path) {
    QStringList out;
    if (!QFileInfo::exists(path)) return {QStringLiteral("The file \"%1\" does not exist").arg(path)};
    for (const std::string& p : sql::checkDatabase(path.toStdString())) out << QString::fromStdString(p);
    return out;
}

}  // namespace ostrel
