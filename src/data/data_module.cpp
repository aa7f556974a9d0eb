#include "data/data_module.h"

#include "app/app_paths.h"
#include "core/time/clock_service.h"

namespace ostrel {

using sql::ParamType;

TDataModule1::TDataModule1(const QString& databasePath, QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("DataModule1"));
    NextReminderTime = kFarFuture;
    const QString path = databasePath.isEmpty() ? databaseFilePath() : databasePath;
    connTAMO.setPath(path.toStdString());
}

TDataModule1::~TDataModule1() = default;

void TDataModule1::UpdateNextReminderTime() {
    sql::Query q(connTAMO);
    q.add("SELECT Min(ShowDT) AS FirstShowDT");
    q.add("FROM ToDo");
    q.add("WHERE ShowDT > Now()");
    q.open();
    NextReminderTime = q.recNo() > 0 ? q.asDateTime("FirstShowDT") : kFarFuture;
}

void TDataModule1::InitReminders() {
    sql::Query q(connTAMO);
    q.add("UPDATE ToDo");
    q.add("SET ShowDT = FirstDT + :LoadingTime, MesType = 3");
    q.add("WHERE MesType IN (3, 13)");
    q.param("LoadingTime", ParamType::DateTime, clock().bootTime());
    q.exec();
    UpdateNextReminderTime();
}

void TDataModule1::DeleteTask(int TaskID) {
    sql::Query q(connTAMO);
    q.add("DELETE");
    q.add("FROM ToDo");
    q.add("WHERE TDID = :TDID");
    q.param("TDID", ParamType::Integer, std::int64_t{TaskID});
    q.exec();
}

}  // namespace ostrel
