#include "data/backup_store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
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

// Copies a file and flushes the copy to the disk before returning.
void writeDurableCopy(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) throw fail(QStringLiteral("Cannot read \"%1\": %2").arg(from, in.errorString()));
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw fail(QStringLiteral("Cannot write \"%1\": %2").arg(to, out.errorString()));
    QByteArray block;
    while (!(block = in.read(1 << 20)).isEmpty()) {
        if (out.write(block) != block.size())
            throw fail(QStringLiteral("Cannot write \"%1\": %2").arg(to, out.errorString()));
    }
    if (in.error() != QFileDevice::NoError)
        throw fail(QStringLiteral("Cannot read \"%1\": %2").arg(from, in.errorString()));
    if (!out.flush() || ::fsync(out.handle()) != 0)
        throw fail(QStringLiteral("Cannot write \"%1\": %2").arg(to, out.errorString()));
}

// Makes the names in a folder durable (after a rename or a new link).
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Copies a file through a temporary name, so the target is whole or absent.
void copyFile(const QString& from, const QString& to) {
    const QString tmp = to + QStringLiteral(".tmp");
    QFile::remove(tmp);
    try {
        writeDurableCopy(from, tmp);
    } catch (...) {
        QFile::remove(tmp);
        throw;
    }
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

QString BackupStore::backupsDir() { return ostrel::backupsDir(); }

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

std::function<void(BackupStore::RestoreStep)> BackupStore::restoreStepHook;

QString BackupStore::restoreTemporaryPath() { return databaseFilePath() + QStringLiteral(".restoring"); }

void BackupStore::removeRestoreLeftovers() { QFile::remove(restoreTemporaryPath()); }

QString BackupStore::restoreDatabase(const BackupCopy& copy) {
    const QString db = databaseFilePath();
    const QString source = copy.folder + QLatin1Char('/') + QFileInfo(db).fileName();
    const QStringList problems = checkDatabaseFile(source);
    if (!problems.isEmpty())
        throw fail(QStringLiteral("The copy \"%1\" is damaged: %2").arg(source, problems.join(QLatin1Char(' '))));
    const auto step = [](RestoreStep s) {
        if (restoreStepHook) restoreStepHook(s);
    };

    // At every moment a whole database stands at the database's path: the
    // current one until the rename, the copy after it.
    conn_.close();
    const QString tmp = restoreTemporaryPath();
    QFile::remove(tmp);
    try {
        writeDurableCopy(source, tmp);
        step(RestoreStep::CopyWritten);

        // The current files are kept by a second name (a link, or a copy
        // where the file system has no links); nothing is moved away.
        const QString root = backupsDir();
        const QString aside = freeFolder(root, kReplacedPrefix + stampName(clock().now()));
        if (!QDir().mkpath(aside)) throw fail(QStringLiteral("Cannot create the folder \"%1\"").arg(aside));
        for (const QString& f : databaseCompanions(db)) {
            if (!QFileInfo::exists(f)) continue;
            const QString kept = aside + QLatin1Char('/') + QFileInfo(f).fileName();
            if (::link(QFile::encodeName(f).constData(), QFile::encodeName(kept).constData()) != 0)
                writeDurableCopy(f, kept);
        }
        syncFolder(aside);
        step(RestoreStep::CurrentKept);

        // A journal or log left beside the current file would be played
        // into the copy once it stands there: they go first (kept above).
        for (const QString& f : databaseCompanions(db).mid(1)) {
            if (QFileInfo::exists(f) && !QFile::remove(f)) throw fail(QStringLiteral("Cannot remove \"%1\"").arg(f));
        }
        step(RestoreStep::CompanionsRemoved);

        if (::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(db).constData()) != 0)
            throw fail(QStringLiteral("Cannot write \"%1\": %2").arg(db, QString::fromLocal8Bit(std::strerror(errno))));
        syncFolder(QFileInfo(db).absolutePath());
        step(RestoreStep::Renamed);
        emit restored();
        return aside;
    } catch (...) {
        QFile::remove(tmp);
        throw;
    }
}

QStringList BackupStore::checkDatabaseFile(const QString& path, const std::function<bool()>& stop) {
    QStringList out;
    if (!QFileInfo::exists(path)) return {QStringLiteral("The file \"%1\" does not exist").arg(path)};
    for (const std::string& p : sql::checkDatabase(path.toStdString(), false, stop)) out << QString::fromStdString(p);
    return out;
}

}  // namespace ostrel
