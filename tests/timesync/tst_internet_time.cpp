// The Internet time correction end to end on loopback: fake SNTP servers
// with chosen answers, a fake resolver where names matter, a recording clock
// setter (the real clock is never touched) and the recorded message boxes.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <cstdlib>
#include <ctime>

#include "app/app_commands.h"
#include "app/forms.h"
#include "base/language_texts.h"
#include "clock/clock_window.h"
#include "clock_env.h"
#include "fake_clock.h"
#include "fake_sntp_server.h"
#include "globals.h"
#include "recording_dialogs.h"
#include "timesync/internet_time.h"
#include "ui/app_commands.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;
using namespace ostrel::testing;

Q_DECLARE_METATYPE(ostrel::testing::FakeReply)
Q_DECLARE_METATYPE(std::vector<ostrel::testing::FakeReply>)

namespace {

// Short waits keep the suite quick; the product waits 2000 ms.
constexpr int kReplyTimeoutMs = 250;

// A fixture: program folder with the English texts, fake clock at a whole
// second, fake dialogs and a recording clock setter.
struct Env {
    Env() {
        QDir().mkpath(env.dir.path() + QStringLiteral("/Languages"));
        QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/English.lng"),
                    env.dir.path() + QStringLiteral("/Languages/English.lng"));
        QFile::copy(QStringLiteral(OSTREL_SOURCE_DIR "/Languages/Russian.lng"),
                    env.dir.path() + QStringLiteral("/Languages/Russian.lng"));
        SetCurrentLanguage(QStringLiteral("English"));
        previousSetter = setSystemClockSetter(&setter);
    }
    ~Env() { setSystemClockSetter(previousSetter); }

    void servers(const QStringList& entries) {
        env.writeSettings("[InternetTime]\nServers=" + entries.join(QLatin1Char(',')).toUtf8() + "\n");
    }
    // Runs the command to its end (the question answered by `answer`).
    void run(InternetTimeCorrection& c, MsgButton answer = MsgYes) {
        dialogs.answers.push_back(answer);
        c.client().replyTimeoutMs = kReplyTimeoutMs;
        c.client().resolveTimeoutMs = kReplyTimeoutMs;
        c.start();
        QVERIFY(c.isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!c.isRunning(), 10000);
    }

    ClockEnv env;
    RecordingDialogs dialogs;
    ScopedFakeClock clock{46000.5};  // 2025-12-09 12:00:00.000
    FakeClockSetter setter;
    SystemClockSetter* previousSetter = nullptr;
};

QString question(int seconds, int ms) {
    return QStringLiteral("Your clock differs from Internet time by %1 s %2 ms. Correct the system time?")
        .arg(seconds)
        .arg(ms);
}
const QString kNotPossible = QStringLiteral("The time cannot be corrected: no time server answered.");

FakeReply offset(qint64 ms) {
    FakeReply r;
    r.offsetMs = ms;
    return r;
}

}  // namespace

class TestInternetTime : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        QLocale::setDefault(QLocale::c());
    }

    // Three servers asked in order; the mean of the useful answers is shown
    // (magnitude, modulo a day) and, on Yes, stepped in full with its sign.
    void answersAreAveragedShownAndApplied_data() {
        using V = std::vector<FakeReply>;
        QTest::addColumn<V>("first");
        QTest::addColumn<V>("second");
        QTest::addColumn<V>("third");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<qint64>("stepUs");
        FakeReply stratum16 = offset(9000);
        stratum16.stratum = 16;
        FakeReply kissOfDeath = offset(9000);
        kissOfDeath.stratum = 0;
        FakeReply unsynchronised = offset(9000);
        unsynchronised.leap = 3;
        FakeReply noTransmit = offset(9000);
        noTransmit.zeroTransmit = true;
        FakeReply version3 = offset(2000);
        version3.version = 3;
        FakeReply slow = offset(1000);
        slow.delayMs = 100;

        QTest::newRow("only the second answers")
            << V{} << V{offset(2345)} << V{} << question(2, 345) << qint64(2345000);
        QTest::newRow("+1.000 s and +1.500 s")
            << V{offset(1000)} << V{offset(1500)} << V{} << question(1, 250) << qint64(1250000);
        QTest::newRow("-0.75 s") << V{offset(-750)} << V{} << V{} << question(0, 750) << qint64(-750000);
        QTest::newRow("25 hours") << V{} << V{} << V{offset(25LL * 3600000)} << question(3600, 0)
                                  << qint64(25LL * 3600000000);
        QTest::newRow("stratum 16 ignored")
            << V{stratum16} << V{offset(1000)} << V{} << question(1, 0) << qint64(1000000);
        QTest::newRow("stratum 0, leap 3, zero transmit ignored")
            << V{kissOfDeath} << V{unsynchronised} << V{noTransmit, offset(1000)} << kNotPossible << qint64(0);
        QTest::newRow("version 3 reply and a slow one")
            << V{version3} << V{slow} << V{} << question(1, 500) << qint64(1500000);
    }
    void answersAreAveragedShownAndApplied() {
        QFETCH(std::vector<FakeReply>, first);
        QFETCH(std::vector<FakeReply>, second);
        QFETCH(std::vector<FakeReply>, third);
        QFETCH(QString, shown);
        QFETCH(qint64, stepUs);
        Env e;
        FakeSntpServer s1(first), s2(second), s3(third);
        e.servers({s1.entry(), s2.entry(), s3.entry()});
        InternetTimeCorrection c;  // the system resolver (dotted addresses) and the installed setter
        e.run(c);
        QCOMPARE(s1.requests, 1);
        QCOMPARE(s2.requests, 1);
        QCOMPARE(s3.requests, 1);
        QCOMPARE(e.dialogs.texts(), QStringList{shown});
        if (shown == kNotPossible) {
            QVERIFY(e.setter.steps.empty());
            QCOMPARE(e.dialogs.messages[0].buttons, unsigned(MsgOk));
        } else {
            QCOMPARE(e.dialogs.messages[0].icon, MsgIcon::Question);
            QCOMPARE(e.dialogs.messages[0].buttons, unsigned(MsgYes | MsgNo));
            QCOMPARE(e.setter.steps, std::vector<std::int64_t>{stepUs});
        }
    }

    // The request is a 48-byte version 3 client packet whose transmit time
    // is the present (to the millisecond).
    void requestCarriesThePresent() {
        Env e;
        FakeSntpServer s(std::vector<FakeReply>{});
        e.servers({s.entry()});
        InternetTimeCorrection c;
        e.run(c);
        QCOMPARE(s.lastRequest.size(), 48);
        QCOMPARE(quint8(s.lastRequest[0]), quint8(0x1B));
        const auto* q = reinterpret_cast<const std::uint8_t*>(s.lastRequest.constData());
        const NtpTimestamp sent{
            (std::uint32_t{q[40]} << 24) | (std::uint32_t{q[41]} << 16) | (std::uint32_t{q[42]} << 8) | q[43],
            (std::uint32_t{q[44]} << 24) | (std::uint32_t{q[45]} << 16) | (std::uint32_t{q[46]} << 8) | q[47]};
        // 2025-12-09 12:00:00 CET is 11:00:00 UTC.
        QCOMPARE(unixMsFromNtp(sent), qint64(1765278000000));
        QCOMPARE(e.dialogs.texts(), QStringList{kNotPossible});
    }

    void answerNoLeavesTheClock() {
        Env e;
        FakeSntpServer s({offset(1000)});
        e.servers({s.entry()});
        InternetTimeCorrection c;
        e.run(c, MsgNo);
        QCOMPARE(e.dialogs.texts(), QStringList{question(1, 0)});
        QVERIFY(e.setter.steps.empty());
    }

    // A datagram that does not answer our request (another port, another
    // originate, our own request echoed, a late answer to the server asked
    // before, a cut or padded packet) is ignored while the true answer still
    // counts; alone it never moves the clock.
    void onlyTrueAnswersCount_data() {
        QTest::addColumn<FakeReply>("bad");
        FakeReply otherPort = offset(100000);
        otherPort.fromOtherPort = true;
        FakeReply wrongOrigin = offset(100000);
        wrongOrigin.wrongOrigin = true;
        FakeReply echo;
        echo.echo = true;
        FakeReply mode3 = offset(100000);
        mode3.mode = 3;
        FakeReply version2 = offset(100000);
        version2.version = 2;
        FakeReply shortOne = offset(100000);
        shortOne.length = 47;
        FakeReply longOne = offset(100000);
        longOne.length = 68;
        QTest::newRow("from another port") << otherPort;
        QTest::newRow("wrong originate") << wrongOrigin;
        QTest::newRow("mode-3 echo") << echo;
        QTest::newRow("mode 3") << mode3;
        QTest::newRow("version 2") << version2;
        QTest::newRow("47 bytes") << shortOne;
        QTest::newRow("68 bytes") << longOne;
    }
    void onlyTrueAnswersCount() {
        QFETCH(FakeReply, bad);
        {
            Env e;
            FakeReply good = offset(1000);
            good.delayMs = 30;  // after the bad one
            FakeSntpServer s({bad, good});
            e.servers({s.entry()});
            InternetTimeCorrection c;
            e.run(c);
            QCOMPARE(e.dialogs.texts(), QStringList{question(1, 0)});
            QCOMPARE(e.setter.steps, std::vector<std::int64_t>{1000000});
        }
        {
            Env e;
            FakeSntpServer s({bad});
            e.servers({s.entry()});
            InternetTimeCorrection c;
            QElapsedTimer waited;
            waited.start();
            e.run(c);
            QCOMPARE(e.dialogs.texts(), QStringList{kNotPossible});
            QVERIFY(e.setter.steps.empty());
            // It kept waiting for a true answer until the timeout.
            QVERIFY(waited.elapsed() >= kReplyTimeoutMs - 10);
        }
    }

    void lateAnswerOfAnEarlierServerIsNotTaken() {
        Env e;
        FakeReply late = offset(100000);
        late.delayMs = kReplyTimeoutMs + 50;  // arrives while the second server is asked
        FakeReply slow = offset(1000);
        slow.delayMs = 150;
        FakeSntpServer s1({late}), s2({slow});
        e.servers({s1.entry(), s2.entry()});
        InternetTimeCorrection c;
        e.run(c);
        QCOMPARE(e.dialogs.texts(), QStringList{question(1, 0)});
    }

    // Names: the defaults when the settings name no server; an unresolvable
    // name or a resolver that never answers costs one bounded wait.
    void namesAndTheirLookups() {
        {
            Env e;
            FakeResolver resolver;
            InternetTimeCorrection c(resolver, e.setter);
            e.run(c);
            QCOMPARE(resolver.asked, (QStringList{"0.pool.ntp.org", "1.pool.ntp.org", "2.pool.ntp.org"}));
            QCOMPARE(e.dialogs.texts(), QStringList{kNotPossible});
            QVERIFY(e.setter.steps.empty());
        }
        {
            Env e;
            e.env.writeSettings("[InternetTime]\nServers= , :0 \n");  // nothing usable: the defaults
            FakeResolver resolver;
            InternetTimeCorrection c(resolver, e.setter);
            e.run(c);
            QCOMPARE(resolver.asked.size(), 3);
        }
        {
            Env e;
            FakeSntpServer s({offset(-2500)});
            FakeResolver resolver;
            resolver.addresses[QStringLiteral("time.test")] = QStringLiteral("127.0.0.1");
            resolver.hanging << QStringLiteral("stuck.test");
            e.servers({QStringLiteral("stuck.test"), QStringLiteral("nowhere.test"),
                       QStringLiteral("time.test:%1").arg(s.port())});
            InternetTimeCorrection c(resolver, e.setter);
            e.run(c);
            QCOMPARE(resolver.asked, (QStringList{"stuck.test", "nowhere.test", "time.test"}));
            QCOMPARE(resolver.aborted, 1);
            QCOMPARE(e.dialogs.texts(), QStringList{question(2, 500)});
            QCOMPARE(e.setter.steps, std::vector<std::int64_t>{-2500000});
        }
    }

    // When the clock cannot be set the user is told why.
    void failureToSetIsReported_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<QString>("text");
        QTest::newRow("set") << int(ClockStepStatus::Done) << QString() << QString();
        QTest::newRow("no permission") << int(ClockStepStatus::NoPermission) << QString()
                                       << "The system time was not changed: you are not allowed to set it.";
        QTest::newRow("automatic") << int(ClockStepStatus::AutomaticSync) << QString()
                                   << "The system time was not changed: it is synchronised automatically (network time "
                                      "is on).";
        QTest::newRow("refused") << int(ClockStepStatus::Refused) << "Authorization dismissed"
                                 << "The system time was not changed: the system refused (Authorization dismissed).";
        QTest::newRow("unavailable") << int(ClockStepStatus::Unavailable) << "no system bus"
                                     << "The system time was not changed: the system offers no way to set it (no "
                                        "system bus).";
    }
    void failureToSetIsReported() {
        QFETCH(int, status);
        QFETCH(QString, detail);
        QFETCH(QString, text);
        Env e;
        e.setter.result = {ClockStepStatus(status), detail};
        FakeSntpServer s({offset(1000)});
        e.servers({s.entry()});
        InternetTimeCorrection c;
        e.run(c);
        QStringList expected{question(1, 0)};
        if (!text.isEmpty()) expected << text;
        QCOMPARE(e.dialogs.texts(), expected);
        if (!text.isEmpty()) QCOMPARE(e.dialogs.messages[1].icon, MsgIcon::Warning);
    }

    // The menu item runs the command without blocking: the clock keeps
    // ticking, the item is off until the command ends, a second request
    // meanwhile starts nothing.
    void menuItemRunsWithoutBlocking() {
        Env e;
        FakeReply slow = offset(1000);
        slow.delayMs = 600;
        FakeSntpServer s({slow});
        e.servers({s.entry()});
        frmClock = new TfrmClock();
        installAppCommands();
        auto* correction = frmClock->findChild<InternetTimeCorrection*>();
        QVERIFY(correction);
        correction->client().replyTimeoutMs = 3000;
        // The event loop keeps running during the exchange: a timer of the
        // program (a 50 ms stand-in for the clock's tick, which now comes
        // only when the shown time changes) keeps firing.
        QTimer loop;
        loop.setInterval(50);
        loop.start();
        QSignalSpy ticks(&loop, &QTimer::timeout);

        child<QAction>(*frmClock, "miSMTPClockCorr")->trigger();
        QVERIFY(!child<QAction>(*frmClock, "miSMTPClockCorr")->isEnabled());
        runCommand(AppCommand::InternetTime);
        QTRY_VERIFY_WITH_TIMEOUT(child<QAction>(*frmClock, "miSMTPClockCorr")->isEnabled(), 10000);
        QVERIFY2(ticks.count() >= 5, qPrintable(QString::number(ticks.count())));
        QCOMPARE(s.requests, 1);
        QCOMPARE(e.dialogs.texts(), QStringList{question(1, 0)});
        QCOMPARE(e.setter.steps, std::vector<std::int64_t>{1000000});

        setCommandHandler({});
        destroyGlobal(frmClock);
    }

    void russianTexts() {
        Env e;
        SetCurrentLanguage(QStringLiteral("Russian"));
        FakeSntpServer s({offset(-61250)});
        e.servers({s.entry()});
        e.setter.result = {ClockStepStatus::NoPermission, {}};
        InternetTimeCorrection c;
        e.run(c);
        SetCurrentLanguage(QStringLiteral("English"));
        QCOMPARE(e.dialogs.texts().size(), 2);
        QVERIFY2(e.dialogs.texts()[0].contains(QStringLiteral("на 61 с 250 мс")), qPrintable(e.dialogs.texts()[0]));
        QVERIFY(e.dialogs.texts()[1].startsWith(QStringLiteral("Системное время не изменено")));
    }

    // The question box as the user sees it, in English and Russian, saved
    // as pictures into $OSTREL_SCREENSHOTS (run on a real X server); the
    // answer is No.
    void questionBoxScreenshots() {
        const QString folder = qEnvironmentVariable("OSTREL_SCREENSHOTS");
        if (folder.isEmpty()) QSKIP("OSTREL_SCREENSHOTS is not set");
        for (const QString& language : {QStringLiteral("English"), QStringLiteral("Russian")}) {
            Env e;
            SetCurrentLanguage(language);
            FakeSntpServer s({offset(-61250)});
            e.servers({s.entry()});
            setDialogService(nullptr);  // the real message boxes
            QString saved;
            QTimer poll;
            poll.setInterval(100);
            QObject::connect(&poll, &QTimer::timeout, [&] {
                QWidget* box = QApplication::activeModalWidget();
                if (!box || !box->isVisible() || !saved.isEmpty()) return;
                saved = folder + QStringLiteral("/question-%1.png").arg(language);
                QTest::qWait(300);
                box->grab().save(saved);
                for (QAbstractButton* b : box->findChildren<QAbstractButton*>())
                    if (b->text().contains(QLatin1String("No"))) b->click();
            });
            poll.start();
            InternetTimeCorrection c;
            c.start();
            QTRY_VERIFY_WITH_TIMEOUT(!c.isRunning(), 20000);
            setDialogService(&e.dialogs);
            QVERIFY(!saved.isEmpty());
            QVERIFY(e.setter.steps.empty());
        }
        SetCurrentLanguage(QStringLiteral("English"));
    }
};

QTEST_MAIN(TestInternetTime)
#include "tst_internet_time.moc"
