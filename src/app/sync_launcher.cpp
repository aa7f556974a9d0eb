#include "app/sync_launcher.h"

#include "base/app_paths.h"
#include "data/contact_store.h"
#include "data/data_module.h"
#include "data/database_watcher.h"
#include "data/holiday_store.h"
#include "data/reminder_engine.h"
#include "data/plan_store.h"
#include "data/task_store.h"
#include "platform/clock_change_watcher.h"
#include "settings/sync_page.h"
#include "ui/settings_model.h"

namespace ostrel {

namespace {
const QString kSection = QStringLiteral("Sync");
}

SyncLauncher::SyncLauncher(TDataModule1& data, DatabaseWatcher* watcher, QObject* parent) : QObject(parent) {
    SyncPage::declareSettings();
    settings().load(kSection);
    afterChange_.setSingleShot(true);
    afterChange_.setInterval(kAfterChangeMs);
    connect(&afterChange_, &QTimer::timeout, this, &SyncLauncher::runNow);
    connect(&interval_, &QTimer::timeout, this, &SyncLauncher::runNow);
    // After a resume the server may hold what other machines sent meanwhile.
    afterResume_.setSingleShot(true);
    afterResume_.setInterval(kAfterResumeMs);
    connect(&afterResume_, &QTimer::timeout, this, &SyncLauncher::runNow);
    clockWatcher_ = new ClockChangeWatcher(this);
    connect(clockWatcher_, &ClockChangeWatcher::clockChanged, this, [this] {
        if (configured()) afterResume_.start();
    });
    // A local change is sent a minute later (changes in a row, once).
    auto changed = [this, watcher] {
        if (watcher && watcher->announcing()) return;
        if (configured() && !(helper_ && helper_->state() != QProcess::NotRunning)) afterChange_.start();
    };
    connect(&data.tasks(), &TaskStore::changed, this, changed);
    connect(&data.holidays(), &HolidayStore::changed, this, changed);
    connect(&data.plans(), &PlanStore::changed, this, changed);
    connect(&data.contacts(), &ContactStore::changed, this, changed);
    connect(&settings(), &SettingsModel::changed, this, [this](const QString& section, const QString&) {
        if (section == kSection) followInterval();
    });
    followInterval();
}

bool SyncLauncher::configured() {
    return !settings().value(kSection, QStringLiteral("Url")).toString().isEmpty() &&
           !settings().value(kSection, QStringLiteral("User")).toString().isEmpty();
}

QStringList SyncLauncher::arguments() { return QStringList{QStringLiteral("--once")} + SyncPage::dataDirArguments(); }

void SyncLauncher::followInterval() {
    const int minutes = settings().value(kSection, QStringLiteral("Interval")).toInt();
    if (minutes > 0 && configured()) interval_.start(minutes * 60 * 1000);
    else interval_.stop();
}

void SyncLauncher::runNow() {
    if (!configured()) return;
    if (helper_ && helper_->state() != QProcess::NotRunning) return;
    delete helper_;
    helper_ = new QProcess(this);
    helper_->setStandardOutputFile(QProcess::nullDevice());
    helper_->setStandardErrorFile(QProcess::nullDevice());
    helper_->start(SyncPage::helperPath(), arguments());
}

void startSyncLauncher(TDataModule1& data, ReminderEngine& engine) {
    auto* watcher = new DatabaseWatcher(data, databaseFilePath(), &data);
    // Rows another process wrote may be due sooner than the gate says
    // (nothing before the start-up pass has run).
    QObject::connect(watcher, &DatabaseWatcher::changedOutside, &engine, &ReminderEngine::ClockChanged);
    new SyncLauncher(data, watcher, &data);
}

}  // namespace ostrel
