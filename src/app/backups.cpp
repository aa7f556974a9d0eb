#include "app/backups.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>

#include <cmath>

#include "app/forms.h"
#include "app/startup.h"
#include "base/app_paths.h"
#include "base/language_texts.h"
#include "core/data/sql/connection.h"
#include "core/data/sql/sql_value.h"
#include "core/time/clock_service.h"
#include "data/backup_store.h"
#include "data/data_module.h"
#include "data/plan_store.h"
#include "data/reminder_engine.h"
#include "platform/quit_signals.h"
#include "ui/app_commands.h"
#include "ui/dialog_service.h"
#include "ui/guarded.h"

namespace ostrel {
namespace {

const QString kCaption = QStringLiteral("Ostrel Organizer");

QString shownTime(DateTime t) {
    const CivilDateTime c = decodeDateTime(t);
    const QDateTime q(QDate(c.date.year, c.date.month, c.date.day), QTime(c.time.hour, c.time.minute, c.time.second));
    return QLocale().toString(q, QLocale::ShortFormat);
}

QString nativePath(const QString& p) { return QDir::toNativeSeparators(p); }

double g_failedDay = std::nan("");

// A quit signal or the end of the session ends the start-up.
bool quitAsked() { return QuitSignalWatcher::received() || terminateRequested(); }

}  // namespace

namespace {

// Tells what the check found and offers the newest sound copy.
bool reportDamagedDatabase(const QString& db, const QStringList& problems) {
    QStringList shown;  // the first few findings, without the engine's headings
    for (const QString& p : problems)
        if (!p.startsWith(QStringLiteral("***")) && shown.size() < 3) shown << p;
    const QString what = shown.join(QStringLiteral("; "));

    sql::Connection unopened(db.toStdString());
    BackupStore store(unopened);
    const BackupCopy good = store.newestGoodCopy();
    if (good.folder.isEmpty()) {
        showMessage(
            FormatMessageText(GetLangMessage(QStringLiteral("DatabaseDamagedNoBackup")), {nativePath(db), what}),
            kCaption, MsgIcon::Error, MsgOk);
        return false;
    }
    const MsgButton answer = showMessage(FormatMessageText(GetLangMessage(QStringLiteral("DatabaseDamaged")),
                                                           {nativePath(db), what, shownTime(good.made)}),
                                         kCaption, MsgIcon::Error, MsgYes | MsgNo);
    if (answer != MsgYes) return false;
    const QString aside = store.restoreDatabase(good);
    showMessage(FormatMessageText(GetLangMessage(QStringLiteral("DatabaseRestored")),
                                  {shownTime(good.made), nativePath(aside)}),
                kCaption, MsgIcon::Information, MsgOk);
    return true;
}

}  // namespace

DatabaseCheck::DatabaseCheck() : db_(databaseFilePath()) {
    // A missing database is reported where it is opened.
    if (QFileInfo::exists(db_)) start();
}

void DatabaseCheck::start() {
    problems_ = std::async(std::launch::async,
                           [db = db_] { return BackupStore::checkDatabaseFile(db, [] { return quitAsked(); }); });
}

DatabaseCheck::~DatabaseCheck() {
    // The worker ends before anything else may open the file.
    if (problems_.valid()) problems_.wait();
}

bool DatabaseCheck::finish() {
    if (!problems_.valid()) return false;
    for (;;) {
        QStringList problems;
        try {
            problems = problems_.get();  // a failure to check at all is thrown here
        } catch (const sql::DbError& e) {
            if (!e.busy()) throw;
            // Another program holds the database's lock: that is no damage,
            // and no copy is offered for it. The user frees it and retries.
            if (quitAsked()) throw StartupEnded{0};
            const MsgButton answer = showMessage(FormatMessageText(GetLangMessage(QStringLiteral("DatabaseInUse")),
                                                                   {nativePath(db_), QString::fromStdString(e.what())}),
                                                 kCaption, MsgIcon::Warning, MsgRetry | MsgCancel);
            if (quitAsked()) throw StartupEnded{0};
            if (answer != MsgRetry) throw StartupEnded{1};
            start();
            continue;
        }
        if (quitAsked()) throw StartupEnded{0};
        if (problems.isEmpty()) return false;
        const bool restored = reportDamagedDatabase(db_, problems);
        if (quitAsked()) throw StartupEnded{0};
        return restored;
    }
}

void backUpNow() {
    if (!DataModule1) return;
    const QString folder = DataModule1->backups().backUpNow();
    showMessage(FormatMessageText(GetLangMessage(QStringLiteral("BackupMade")), {nativePath(folder)}), kCaption,
                MsgIcon::Information, MsgOk);
}

void restoreFromBackup() {
    if (!DataModule1) return;
    BackupStore& store = DataModule1->backups();
    const QList<BackupCopy> copies = store.copies();
    if (copies.isEmpty()) {
        showMessage(GetLangMessage(QStringLiteral("BackupNone")), kCaption, MsgIcon::Information, MsgOk);
        return;
    }
    QStringList items;
    for (const BackupCopy& c : copies) items << shownTime(c.made);
    const int index =
        dialogs().chooseItem(QApplication::activeWindow(), GetLangMessage(QStringLiteral("BackupChooseCaption")),
                             GetLangMessage(QStringLiteral("BackupChooseLabel")), items);
    if (index < 0 || index >= copies.size()) return;
    const BackupCopy& copy = copies[index];
    if (showMessage(FormatMessageText(GetLangMessage(QStringLiteral("BackupRestoreConfirm")), {items[index]}), kCaption,
                    MsgIcon::Question, MsgYes | MsgNo) != MsgYes)
        return;
    const QString aside = store.restoreDatabase(copy);
    // Views re-read what they show; the reminder gate follows the restored rows.
    emit DataModule1->tasks().changed();
    emit DataModule1->holidays().changed();
    emit DataModule1->contacts().changed();
    emit DataModule1->plans().changed();
    if (reminderEngine) reminderEngine->UpdateNextReminderTime();
    showMessage(FormatMessageText(GetLangMessage(QStringLiteral("BackupRestored")),
                                  {items[index], nativePath(aside), nativePath(copy.folder)}),
                kCaption, MsgIcon::Information, MsgOk);
}

bool runDailyBackupIfDue() {
    if (!DataModule1) return false;
    const DateTime now = clock().now();
    if (std::floor(now) == g_failedDay) return false;
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget() ||
        (reminderEngine && reminderEngine->InReminderPass()))
        return false;
    BackupStore& store = DataModule1->backups();
    if (!store.isDue(now)) return false;
    const bool ok = runGuarded([&] { store.backUpNow(); });
    if (!ok) g_failedDay = std::floor(now);
    return ok;
}

void installDailyBackup(QObject* parent) {
    auto* timer = new QTimer(parent);
    timer->setInterval(60 * 1000);
    QObject::connect(timer, &QTimer::timeout, parent, guarded([] { runDailyBackupIfDue(); }));
    timer->start();
}

}  // namespace ostrel
