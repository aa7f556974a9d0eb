// The settings model: declared keys with defaults, loaded from and saved to
// the settings file beside the executable.

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "base/app_paths.h"
#include "recording_dialogs.h"
#include "ui/settings_file.h"
#include "ui/settings_model.h"

using namespace ostrel;

class TestSettingsModel : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    void writeIni(const QByteArray& text) {
        QFile f(settingsFilePath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    QByteArray readIni() {
        QFile f(settingsFilePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init() {
        setExeDirForTesting(dir.path());
        resetSettingsFileFailureForTesting();
    }
    void cleanup() {
        QFile::remove(settingsFilePath());
        setExeDirForTesting({});
    }

    void defaultsUntilLoadedThenTheFileWins() {
        SettingsModel model;
        model.declare("PocketBook", "FontSize", 10);
        model.declare("PocketBook", "Bold", false);
        model.declare("PocketBook", "FontName", QStringLiteral("Sans"));
        model.declare("Other", "Count", 3);
        QCOMPARE(model.value("PocketBook", "FontSize").toInt(), 10);
        QVERIFY(!model.value("PocketBook", "Missing").isValid());

        writeIni("[PocketBook]\nFontSize=14\nBold=1\nFontName=Noto Serif\n[Other]\nCount=oops\n");
        QSignalSpy changed(&model, &SettingsModel::changed);
        QVERIFY(model.load());
        QCOMPARE(model.value("PocketBook", "FontSize").toInt(), 14);
        QCOMPARE(model.value("PocketBook", "Bold").toBool(), true);
        QCOMPARE(model.value("PocketBook", "FontName").toString(), QStringLiteral("Noto Serif"));
        QCOMPARE(model.value("Other", "Count").toInt(), 3);  // not a number: the default
        QCOMPARE(changed.count(), 3);

        model.declare("PocketBook", "FontSize", 11);  // declared again: the value stays
        QCOMPARE(model.value("PocketBook", "FontSize").toInt(), 14);
    }

    void savesOneSectionOrAll() {
        writeIni("[General]\nLanguage=English\n");
        SettingsModel model;
        model.declare("PocketBook", "FontSize", 10);
        model.declare("Other", "Name", QStringLiteral("x"));
        model.setValue("PocketBook", "FontSize", 12);
        model.setValue("Other", "Name", QStringLiteral("y"));
        model.setValue("Nowhere", "Key", 1);  // undeclared: ignored
        QVERIFY(model.save("PocketBook"));
        QByteArray ini = readIni();
        QVERIFY2(ini.contains("FontSize=12"), ini.constData());
        QVERIFY2(!ini.contains("Name=y"), ini.constData());
        QVERIFY2(ini.contains("Language=English"), ini.constData());  // other keys stay
        QVERIFY(model.save());
        ini = readIni();
        QVERIFY2(ini.contains("Name=y"), ini.constData());

        SettingsModel again;
        again.declare("PocketBook", "FontSize", 10);
        QVERIFY(again.load("PocketBook"));
        QCOMPARE(again.value("PocketBook", "FontSize").toInt(), 12);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ostrel::testing::RecordingDialogs dialogs;
    TestSettingsModel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settings_model.moc"
