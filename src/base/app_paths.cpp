#include "base/app_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ostrel {
namespace {
QString g_testDir;

QString besideExe(const char* relative) { return exeDir() + QLatin1Char('/') + QLatin1String(relative); }
}  // namespace

QString exeDir() {
    if (!g_testDir.isEmpty()) return g_testDir;
    return QCoreApplication::applicationDirPath();
}

void setExeDirForTesting(const QString& dir) {
    g_testDir = dir;
    while (g_testDir.size() > 1 && g_testDir.endsWith(QLatin1Char('/'))) g_testDir.chop(1);
}

QString exePath() {
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return exeDir() + QLatin1Char('/') + (name.isEmpty() ? QStringLiteral("ostrel-organizer") : name);
}

QString settingsFilePath() {
    const QFileInfo info(exePath());
    QString base = info.fileName();
    const int dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) base.truncate(dot);
    return exeDir() + QLatin1Char('/') + base + QStringLiteral(".ini");
}

QString databaseFilePath() { return besideExe("Tamo.qdb"); }
QString languagesDir() { return besideExe("Languages"); }
QString skinFilePath() { return besideExe("skins/ostrel.skn"); }
QString analogDialPath() { return besideExe("Images/Analog_clock.jpg"); }
QString helpFilePath() { return besideExe("help/ostrel_organizer.qch"); }
QString notesFilePath() { return besideExe("pockerbook.rtf"); }

QString photosDir() { return exeDir() + QStringLiteral("/Photos"); }

QString resolvePhotoPath(const QString& stored) {
    if (stored.isEmpty()) return {};
    if (QDir::isAbsolutePath(stored)) return QDir::cleanPath(stored);
    QString relative = stored;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (relative.startsWith(QLatin1Char('/'))) relative.remove(0, 1);
    return QDir::cleanPath(exeDir() + QLatin1Char('/') + relative);
}

QString storablePhotoPath(const QString& chosenFile) {
    const QString file = QFileInfo(chosenFile).absoluteFilePath();
    const QString relative = QDir(exeDir()).relativeFilePath(file);
    if (!relative.isEmpty() && !relative.startsWith(QLatin1String("..")) && !QDir::isAbsolutePath(relative))
        return relative;
    return QDir::cleanPath(file);
}

}  // namespace ostrel
