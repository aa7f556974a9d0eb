// The instance key's naming rule and the guard between two holders.

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <qplatformdefs.h>

#include "platform/instance_guard.h"

using namespace ostrel;

class TestInstanceGuard : public QObject {
    Q_OBJECT
private slots:
    void keyFollowsTheFileNameRule_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("key");
        QTest::newRow("plain") << "/usr/bin/ostrel-organizer"
                               << "PREVINST:ostrel-organizer";
        QTest::newRow("first letter kept, rest lowered") << "/opt/X/OSTREL-Organizer"
                                                         << "PREVINST:Ostrel-organizer";
        QTest::newRow("cut at the first dot") << "/a b/Tamo.Clock.exe"
                                              << "PREVINST:Tamo";
        QTest::newRow("folder does not matter") << "/somewhere/else/OstRel.exe"
                                                << "PREVINST:Ostrel";
        QTest::newRow("leading dot") << "/x/.hidden"
                                     << "PREVINST:";
        QTest::newRow("512 characters at most")
            << "/x/A" + QString(600, QChar('B')) << "PREVINST:A" + QString(511, QChar('b'));
    }
    void keyFollowsTheFileNameRule() {
        QFETCH(QString, path);
        QFETCH(QString, key);
        QCOMPARE(instanceKey(path), key);
    }

    void sameFileNameInAnotherFolderOrCaseIsOneInstance() {
        QCOMPARE(instanceKey("/one/ostrel-organizer"), instanceKey("/two/ostrel-ORGANIZER"));
        QVERIFY(instanceKey("/one/ostrel-organizer") != instanceKey("/one/ostrel-organizer2"));
    }

    void secondHolderIsRefusedAndAsksTheFirst() {
        QTemporaryDir dir;
        InstanceGuard first(QStringLiteral("PREVINST:test"), dir.path());
        QVERIFY(first.isFirstInstance());
        QSignalSpy raised(&first, &InstanceGuard::activationRequested);

        InstanceGuard other(QStringLiteral("PREVINST:other"), dir.path());
        QVERIFY(other.isFirstInstance());

        {
            InstanceGuard second(QStringLiteral("PREVINST:test"), dir.path());
            QVERIFY(!second.isFirstInstance());
            second.activatePreviousInstance();
        }
        QVERIFY(raised.wait(3000));
    }

    // Another process (an import from the command line) asks the running
    // copy to re-read its views, without taking the lock; with no copy
    // running, nobody is told.
    void refreshRequestReachesTheFirstWithoutTakingTheLock() {
        QTemporaryDir dir;
        QVERIFY(!InstanceGuard::sendToFirstInstance(QStringLiteral("PREVINST:refresh"), "refresh", dir.path()));
        InstanceGuard first(QStringLiteral("PREVINST:refresh"), dir.path());
        QVERIFY(first.isFirstInstance());
        QSignalSpy refreshed(&first, &InstanceGuard::refreshRequested);
        QSignalSpy raised(&first, &InstanceGuard::activationRequested);
        QVERIFY(InstanceGuard::sendToFirstInstance(QStringLiteral("PREVINST:refresh"), "refresh", dir.path()));
        QVERIFY(refreshed.wait(3000));
        QCOMPARE(raised.count(), 0);
    }

    // A lock that cannot be created is not another copy holding it.
    void aLockThatCannotBeCreatedIsAFailureNotASecondCopy() {
        QTemporaryDir dir;
        QFile plain(dir.path() + QStringLiteral("/not-a-folder"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        InstanceGuard guard(QStringLiteral("PREVINST:nowhere"), plain.fileName() + QStringLiteral("/runtime"));
        QVERIFY(!guard.isFirstInstance());
        QVERIFY(guard.lockFailed());
        QVERIFY2(guard.failureReason().contains(QStringLiteral("Not a directory")), qPrintable(guard.failureReason()));

        InstanceGuard first(QStringLiteral("PREVINST:held"), dir.path());
        InstanceGuard second(QStringLiteral("PREVINST:held"), dir.path());
        QVERIFY(first.isFirstInstance() && !first.lockFailed());
        QVERIFY(!second.isFirstInstance() && !second.lockFailed());
    }

    // A dead copy left its socket file behind: the next first copy listens
    // there anyway, only for this user, and takes only the requests it
    // knows (a connection closed without a word, or an unknown line, does
    // nothing).
    void theSocketOfADeadCopyIsReplacedAndOnlyTheUserMayUseIt() {
        QTemporaryDir dir;
        QString socketPath;
        {
            InstanceGuard probe(QStringLiteral("PREVINST:dead"), dir.path());
            socketPath = probe.serverName();
        }
        QFile leftover(socketPath);
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.close();

        InstanceGuard first(QStringLiteral("PREVINST:dead"), dir.path());
        QVERIFY(first.isFirstInstance());
        QT_STATBUF st;
        QVERIFY(QT_STAT(QFile::encodeName(socketPath).constData(), &st) == 0);
        QVERIFY(S_ISSOCK(st.st_mode));
        QCOMPARE(st.st_mode & 0777, 0600u);

        QSignalSpy raised(&first, &InstanceGuard::activationRequested);
        QSignalSpy refreshed(&first, &InstanceGuard::refreshRequested);
        QVERIFY(InstanceGuard::sendToFirstInstance(QStringLiteral("PREVINST:dead"), "", dir.path()));
        QVERIFY(InstanceGuard::sendToFirstInstance(QStringLiteral("PREVINST:dead"), "format disk", dir.path()));
        QVERIFY(InstanceGuard::sendToFirstInstance(QStringLiteral("PREVINST:dead"), "refresh", dir.path()));
        QVERIFY(refreshed.wait(3000));
        QCOMPARE(raised.count(), 0);
        QCOMPARE(refreshed.count(), 1);
    }

    void aReleasedGuardCanBeTakenAgain() {
        QTemporaryDir dir;
        {
            InstanceGuard first(QStringLiteral("PREVINST:again"), dir.path());
            QVERIFY(first.isFirstInstance());
        }
        InstanceGuard next(QStringLiteral("PREVINST:again"), dir.path());
        QVERIFY(next.isFirstInstance());
        QSignalSpy raised(&next, &InstanceGuard::activationRequested);
        InstanceGuard(QStringLiteral("PREVINST:again"), dir.path()).activatePreviousInstance();
        QVERIFY(raised.wait(3000));
    }
};

QTEST_MAIN(TestInstanceGuard)
#include "tst_instance_guard.moc"
