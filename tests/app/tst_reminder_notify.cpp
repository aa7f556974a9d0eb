// A due reminder reaches the desktop as a notification beside its window,
// against a stand-in notifications service on a private session bus: the
// notification's texts, its "Done" and "Postpone" actions answering the
// reminder as the window does, the window's own answer taking the
// notification back, the window's postpone amount renaming the action, and
// the Notify setting.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QtTest>

#include "app/forms.h"
#include "app/reminder_notices.h"
#include "data/data_module.h"
#include "data/reminder_engine.h"
#include "dates.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "globals.h"
#include "recording_dialogs.h"
#include "tasks/reminder_window.h"
#include "ui/dialog_service.h"
#include "ui/reminder_settings.h"
#include "ui/settings_model.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::at;
using ostrel::testing::child;

namespace {

class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        uint id;
        QString summary, body;
        QStringList actions;
    };
    QList<Shown> shown;
    QList<uint> closed;
    uint next = 1;

public slots:
    uint Notify(const QString&, uint replaces, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int) {
        const uint id = replaces ? replaces : next++;
        shown.append({id, summary, body, actions});
        return id;
    }
    void CloseNotification(uint id) { closed.append(id); }
};

std::string num(DateTime v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

TfrmToDo* reminderWindowOf(int taskId) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* r = qobject_cast<TfrmToDo*>(w); r && r->taskId() == taskId) return r;
    return nullptr;
}

constexpr DateTime kMinute = 1.0 / 1440;

}  // namespace

class TestReminderNotify : public QObject {
    Q_OBJECT
    QProcess daemon_;
    QDBusConnection serviceBus_{QStringLiteral("none")};
    FakeNotifications service_;
    std::unique_ptr<ostrel::testing::TempDir> dir_;
    std::unique_ptr<ostrel::testing::ScopedFakeClock> clock_;
    ostrel::testing::RecordingDialogs dialogs_;
    QStringList captions_;
    const DateTime due_ = at(2024, 5, 6, 12, 0, 0);

    void insertOnce(int id, DateTime when, const char* title) {
        ostrel::testing::execSql(dir_->path() / "Tamo.qdb",
                                 "INSERT INTO ToDo (TDID, MesType, FirstDT, ShowDT, Title, PeriodInt, PeriodType, "
                                 "ElapseInt, ElapseType) VALUES (" +
                                     std::to_string(id) + ", 0, " + num(when) + ", " + num(when) + ", '" + title +
                                     "', 0, 0, 1, 2)");
    }
    // Whether the service's answers to the notifications keyed 1..count have
    // come back (only then can they be replaced or withdrawn).
    bool noticesShown(int count) {
        auto* notices = reminderEngine->findChild<ReminderNotices*>();
        for (int key = 1; key <= count; ++key)
            if (!notices || !notices->notifier().showing(key)) return false;
        return true;
    }
    void invoke(uint id, const QString& action) {
        QDBusMessage s = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                    QStringLiteral("org.freedesktop.Notifications"),
                                                    QStringLiteral("ActionInvoked"));
        s.setArguments({id, action});
        QVERIFY(serviceBus_.send(s));
    }

private slots:
    void initTestCase() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!daemon_.waitForStarted(5000)) QSKIP("dbus-daemon is not available");
        QVERIFY(daemon_.waitForReadyRead(5000));
        const QByteArray address = daemon_.readLine().trimmed();
        // The application's session bus is this private one.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        serviceBus_ = QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("service"));
        QVERIFY(serviceBus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service_,
                                           QDBusConnection::ExportAllSlots));
        QVERIFY(serviceBus_.registerService(QStringLiteral("org.freedesktop.Notifications")));
        setDialogService(&dialogs_);
    }
    void cleanupTestCase() {
        setDialogService(nullptr);
        QDBusConnection::disconnectFromBus(QStringLiteral("service"));
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }
    void init() {
        dir_ = std::make_unique<ostrel::testing::TempDir>("ostrel notify test");
        ostrel::testing::createOrganizerDatabase(dir_->path() / "Tamo.qdb");
        clock_ = std::make_unique<ostrel::testing::ScopedFakeClock>(due_);
        DataModule1 = new TDataModule1(QString::fromStdString((dir_->path() / "Tamo.qdb").string()));
        createReminderEngine();
        captions_.clear();
        QObject::connect(reminderEngine, &ReminderEngine::reminderDue, reminderEngine,
                         [this](const TTaskParams&, const QString& caption) { captions_ << caption; });
        service_.shown.clear();
        service_.closed.clear();
    }
    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* r = qobject_cast<TfrmToDo*>(w)) {
                r->Answered = true;
                delete r;
            }
        destroyReminderEngine();
        ostrel::testing::destroyGlobal(DataModule1);
        clock_.reset();
        dir_.reset();
    }

    // With a service answering, Notify is on unless the user turned it off.
    void notifyIsOnWhereAServiceAnswers() { QVERIFY(reminderNotifyOn()); }

    // The notification's action answers the reminder as the window would:
    // the window closes, the answer is stored, and the notification, gone
    // with its action, is not closed again.
    void actionsAnswerTheReminder_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("shownCount");  // the window's postpone count, minutes
        QTest::addColumn<DateTime>("gate");   // the next reminder time afterwards
        QTest::newRow("done") << QStringLiteral("done") << 10 << DateTime(0.0);
        QTest::newRow("postpone by the default 10 minutes") << QStringLiteral("postpone") << 10
                                                            << DateTime(due_ + 10 * kMinute);
        QTest::newRow("postpone by the amount the window shows")
            << QStringLiteral("postpone") << 25 << DateTime(due_ + 25 * kMinute);
    }
    void actionsAnswerTheReminder() {
        QFETCH(QString, action);
        QFETCH(int, shownCount);
        QFETCH(DateTime, gate);
        insertOnce(1, due_, "Dentist");
        insertOnce(2, due_, "Walk the dog");
        reminderEngine->InitReminders();
        QPointer<TfrmToDo> window = reminderWindowOf(1);
        QPointer<TfrmToDo> other = reminderWindowOf(2);
        QVERIFY(window && other);
        QTRY_COMPARE(service_.shown.size(), 2);
        QTRY_VERIFY(noticesShown(2));
        const bool dentistFirst = service_.shown[0].body == QStringLiteral("Dentist");
        const auto notice = service_.shown[dentistFirst ? 0 : 1];
        const auto otherNotice = service_.shown[dentistFirst ? 1 : 0];
        QCOMPARE(notice.summary, captions_.value(0));
        QCOMPARE(notice.body, QStringLiteral("Dentist"));
        QCOMPARE(notice.actions, (QStringList{QStringLiteral("done"), window->doneText(), QStringLiteral("postpone"),
                                              window->postponeText()}));
        QCOMPARE(window->postponeText(), QStringLiteral("Postpone at 10 minutes"));
        QCOMPARE(otherNotice.body, QStringLiteral("Walk the dog"));

        // A new amount in the window renames the notification's action.
        if (shownCount != 10) {
            child<QSpinBox>(*window, "sePostpone")->setValue(shownCount);
            QTRY_COMPARE(service_.shown.size(), 3);
            QCOMPARE(service_.shown[2].id, notice.id);
            QCOMPARE(service_.shown[2].actions.value(3), window->postponeText());
            QCOMPARE(window->postponeText(), QStringLiteral("Postpone at %1 minutes").arg(shownCount));
        }
        invoke(notice.id, action);
        QTRY_VERIFY(!window);
        // Only that reminder was answered: the other one still stands, and
        // answering it sets the gate from the first answer alone.
        QVERIFY(other && other->isVisible());
        QVERIFY(service_.closed.isEmpty());
        other->doneAsShown();
        QTRY_VERIFY(!other);
        QTRY_COMPARE(service_.closed, QList<uint>{otherNotice.id});
        QVERIFY(qAbs(reminderEngine->NextReminderTime() - gate) < 1e-6);
        // The action comes again (a second click): nothing more happens.
        invoke(notice.id, action);
        QTest::qWait(0);
        QVERIFY(qAbs(reminderEngine->NextReminderTime() - gate) < 1e-6);
    }

    // Answered in its window (OK, or Esc): the notification is taken back,
    // and its action, should it still come, answers nothing.
    void answeringTheWindowWithdrawsTheNotification() {
        insertOnce(1, due_, "Dentist");
        reminderEngine->InitReminders();
        QPointer<TfrmToDo> window = reminderWindowOf(1);
        QTRY_COMPARE(service_.shown.size(), 1);
        QTRY_VERIFY(noticesShown(1));
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(!window);
        QTRY_COMPARE(service_.closed, QList<uint>{service_.shown[0].id});
        const DateTime gate = reminderEngine->NextReminderTime();
        QVERIFY(qAbs(gate - (due_ + 10 * kMinute)) < 1e-6);
        invoke(service_.shown[0].id, QStringLiteral("done"));
        QTest::qWait(0);
        QCOMPARE(reminderEngine->NextReminderTime(), gate);
    }

    // Notify off: the window alone; on again: notifications again.
    void notifyOffShowsTheWindowAlone() {
        settings().setValue(kRemindersSection, QStringLiteral("Notify"), 0);
        insertOnce(1, due_, "Quiet");
        reminderEngine->InitReminders();
        QVERIFY(reminderWindowOf(1));
        settings().setValue(kRemindersSection, QStringLiteral("Notify"), 1);
        insertOnce(2, due_ + kMinute, "Loud");
        clock_->get().setNow(due_ + kMinute);
        reminderEngine->RunTickPass();
        QVERIFY(reminderWindowOf(2));
        QTRY_COMPARE(service_.shown.size(), 1);
        QCOMPARE(service_.shown[0].body, QStringLiteral("Loud"));
    }
};

QTEST_MAIN(TestReminderNotify)
#include "tst_reminder_notify.moc"
