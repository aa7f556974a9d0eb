#include "data/data_module.h"

#include "data/backup_store.h"
#include "data/exchange_store.h"
#include "data/plan_store.h"

namespace ostrel {

TDataModule1* DataModule1 = nullptr;

TDataModule1::TDataModule1(const QString& databasePath, QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("DataModule1"));
    connTAMO.setPath(databasePath.toStdString());
    tasks_ = std::make_unique<TaskStore>(connTAMO);
    contacts_ = std::make_unique<ContactStore>(connTAMO);
    holidays_ = std::make_unique<HolidayStore>(connTAMO);
    connTAMO.setOpenedHook([this] { tasks_->addPostponedColumn(); });
}

TDataModule1::~TDataModule1() { connTAMO.setOpenedHook({}); }

BackupStore& TDataModule1::backups() {
    if (!backups_) backups_ = std::make_unique<BackupStore>(connTAMO);
    return *backups_;
}

ExchangeStore& TDataModule1::exchange() {
    if (!exchange_) exchange_ = std::make_unique<ExchangeStore>(connTAMO);
    return *exchange_;
}

PlanStore& TDataModule1::plans() {
    if (!plans_) plans_ = std::make_unique<PlanStore>(connTAMO);
    return *plans_;
}

}  // namespace ostrel
