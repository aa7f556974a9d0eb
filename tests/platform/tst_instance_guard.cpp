// The instance key's naming rule and the guard between two holders.

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <qplatformdefs.h>

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QElapsedTimer>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/instance_guard.h"

using namespace ostrel;

namespace {

// Descriptors this process holds now.
int openDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size()) - 1;
}

// A connection to the guard's socket that never says a word; -1 while the
// guard's queue is full (the caller lets the guard's loop run and retries).
int connectSilently(const QString& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(socketPath);
    std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Whether the guard has closed its end of a silent connection.
bool closedByTheGuard(int fd) {
    char c;
    return ::recv(fd, &c, 1, MSG_DONTWAIT) == 0;
}

}  // namespace

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

    // A local process opens connections and holds them without a word: the
    // guard keeps only a few of them open, so it never brings the program
    // near its descriptor limit, closes them when they have idled a short
    // while, and still takes a real request while they are held.
    void connectionsHeldWithoutAWordAreFewAndClosed() {
        QTemporaryDir dir;
        InstanceGuard first(QStringLiteral("PREVINST:flood"), dir.path());
        QVERIFY(first.isFirstInstance());
        QSignalSpy raised(&first, &InstanceGuard::activationRequested);
        const int before = openDescriptors();

        constexpr int kHeld = 300;
        std::vector<int> held;
        QElapsedTimer spent;
        spent.start();
        while (int(held.size()) < kHeld && spent.elapsed() < 20000) {
            const int fd = connectSilently(first.serverName());
            if (fd >= 0) held.push_back(fd);
            else QCoreApplication::processEvents();
        }
        QCOMPARE(int(held.size()), kHeld);
        QCoreApplication::processEvents();
        const int guardHolds = openDescriptors() - before - kHeld;
        QVERIFY2(guardHolds <= 8, qPrintable(QStringLiteral("the guard holds %1 connections").arg(guardHolds)));

        // The program goes on answering: a second copy's request comes through.
        InstanceGuard(QStringLiteral("PREVINST:flood"), dir.path()).activatePreviousInstance();
        QVERIFY(raised.wait(3000));
        QCOMPARE(raised.count(), 1);

        // The ones it still held are closed once they have idled.
        QTRY_VERIFY_WITH_TIMEOUT(openDescriptors() - before - kHeld <= 0, 10000);
        int closed = 0;
        for (int fd : held) closed += closedByTheGuard(fd) ? 1 : 0;
        QCOMPARE(closed, kHeld);
        for (int fd : held) ::close(fd);
    }

    // With every descriptor of the process taken, a waiting connection
    // cannot be accepted: the guard waits before it tries again instead of
    // spinning, and accepts it (and new requests) once descriptors are free.
    void withNoDescriptorLeftTheGuardWaitsInsteadOfSpinning() {
        QTemporaryDir dir;
        InstanceGuard first(QStringLiteral("PREVINST:emfile"), dir.path());
        QVERIFY(first.isFirstInstance());
        QSignalSpy raised(&first, &InstanceGuard::activationRequested);
        // The request's socket is made while descriptors are left.
        const int sender = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QVERIFY(sender >= 0);

        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit low = saved;
        low.rlim_cur = static_cast<rlim_t>(openDescriptors() + 16);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
        std::vector<int> filler;
        for (int fd; (fd = ::fcntl(sender, F_DUPFD_CLOEXEC, 0)) >= 0;) filler.push_back(fd);
        QCOMPARE(errno, EMFILE);

        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(first.serverName());
        std::memcpy(address.sun_path, native.constData(), static_cast<std::size_t>(native.size()));
        QCOMPARE(::connect(sender, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        QCOMPARE(::send(sender, "raise\n", 6, MSG_NOSIGNAL), ssize_t(6));

        // Half a second of the run loop: a loop that retried at once would
        // wake thousands of times.
        int wakeUps = 0;
        const QMetaObject::Connection counting =
            connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, this, [&] { ++wakeUps; });
        QEventLoop loop;
        QTimer::singleShot(500, &loop, &QEventLoop::quit);
        loop.exec();
        disconnect(counting);

        for (int fd : filler) ::close(fd);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &saved), 0);
        QVERIFY2(wakeUps < 100, qPrintable(QStringLiteral("%1 wake-ups in half a second").arg(wakeUps)));
        QCOMPARE(raised.count(), 0);

        QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 1, 10000);
        ::close(sender);
        InstanceGuard(QStringLiteral("PREVINST:emfile"), dir.path()).activatePreviousInstance();
        QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 2, 3000);
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
