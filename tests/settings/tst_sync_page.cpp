// The Sync page's search for collections when the server shows a
// certificate no authority vouches for: its fingerprint is shown once, and
// only a Yes pins it and searches again. The helper is a stand-in script
// that answers as the real one does (exit code 4 and a "certificate" line,
// then the collections once the certificate is pinned).

#include <QtTest>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "base/app_paths.h"
#include "fixture_db.h"
#include "recording_dialogs.h"
#include "settings/sync_page.h"
#include "ui/settings_model.h"
#include "widget_child.h"

using namespace ostrel;
using ostrel::testing::child;
using ostrel::testing::RecordingDialogs;

namespace {
const char* kFingerprint = "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89";
}

class TestSyncPage : public QObject {
    Q_OBJECT

    std::unique_ptr<ostrel::testing::TempDir> dir;

    QString writeHelper() {
        // Refuses the certificate until [Sync] Certificate holds it.
        const QString path = QString::fromStdString((dir->path() / "ostrel-sync").string());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(QStringLiteral("#!/bin/sh\n"
                               "echo \"$@\" >> '%1/runs'\n"
                               "if grep -q '^Certificate=%2' '%3' 2>/dev/null; then\n"
                               "  printf 'principal\\thttps://h/p/\\ncalendar\\thttps://h/c/\\t1\\tHome\\n'\n"
                               "  exit 0\n"
                               "fi\n"
                               "printf 'certificate\\t%2\\n'\n"
                               "echo 'the server certificate is not trusted' >&2\n"
                               "exit 4\n")
                    .arg(QString::fromStdString(dir->str()), QString::fromLatin1(kFingerprint), settingsFilePath())
                    .toUtf8());
        f.close();
        f.setPermissions(f.permissions() | QFile::ExeOwner);
        return path;
    }
    int runs() {
        QFile f(QString::fromStdString((dir->path() / "runs").string()));
        if (!f.open(QIODevice::ReadOnly)) return 0;
        return f.readAll().count('\n');
    }

private slots:
    void init() {
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel sync page");
        setExeDirForTesting(QString::fromStdString(dir->str()));
        SyncPage::setHelperPathForTesting(writeHelper());
    }
    void cleanup() {
        settings().setValue(QStringLiteral("Sync"), QStringLiteral("Certificate"), QString());
        SyncPage::setHelperPathForTesting({});
        setExeDirForTesting({});
        dir.reset();
    }

    void anUntrustedCertificateIsShownAndPinnedOnlyOnYes_data() {
        QTest::addColumn<bool>("trust");
        QTest::newRow("the user trusts it") << true;
        QTest::newRow("the user refuses it") << false;
    }
    void anUntrustedCertificateIsShownAndPinnedOnlyOnYes() {
        QFETCH(bool, trust);
        RecordingDialogs dialogs;
        dialogs.answers.push_back(trust ? MsgYes : MsgNo);
        SyncPage page;
        page.load();
        child<QLineEdit>(page, "edSyncUrl")->setText(QStringLiteral("https://h/"));
        child<QLineEdit>(page, "edSyncUser")->setText(QStringLiteral("ann"));
        child<QPushButton>(page, "btnSyncDiscover")->click();

        QTRY_COMPARE_WITH_TIMEOUT(runs(), trust ? 2 : 1, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.messages.size() == 1, 10000);
        QVERIFY(dialogs.messages[0].text.contains(QLatin1String(kFingerprint)));
        QVERIFY(dialogs.messages[0].buttons & MsgNo);
        const QString pinned = settings().value(QStringLiteral("Sync"), QStringLiteral("Certificate")).toString();
        auto* calendars = child<QComboBox>(page, "cbSyncCalendar");
        if (trust) {
            QCOMPARE(pinned, QString::fromLatin1(kFingerprint));
            QTRY_VERIFY_WITH_TIMEOUT(calendars->findData(QStringLiteral("https://h/c/")) >= 0, 10000);
        } else {
            QVERIFY(pinned.isEmpty());
            QVERIFY(child<QLabel>(page, "lbSyncStatus")->text().contains(QLatin1String("not trusted")));
        }
        // Asked once: nothing more runs or asks.
        QTest::qWait(300);
        QCOMPARE(dialogs.messages.size(), std::size_t{1});
        QCOMPARE(runs(), trust ? 2 : 1);
    }
};

QTEST_MAIN(TestSyncPage)
#include "tst_sync_page.moc"
