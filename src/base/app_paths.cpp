#include "base/app_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ostrel {
namespace {
QString g_testDir;
QString g_dataDirOverride;

const QString kAppFolder = QStringLiteral("ostrel-organizer");

QString withoutTrailingSlash(QString dir) {
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/'))) dir.chop(1);
    return dir;
}

// The executable's own folder, whatever a test set.
QString realExeDir() { return QCoreApplication::applicationDirPath(); }

QString installedShareDir() { return QDir::cleanPath(realExeDir() + QStringLiteral("/../share/ostrel-organizer")); }

QString dataDirOverride() {
    if (!g_dataDirOverride.isEmpty()) return g_dataDirOverride;
    const QString env = qEnvironmentVariable("OSTREL_DATA_DIR");
    return env.isEmpty() ? QString() : withoutTrailingSlash(QDir(env).absolutePath());
}

QString inDataDir(const char* relative) { return userDataDir() + QLatin1Char('/') + QLatin1String(relative); }
QString inReadOnlyDir(const char* relative) { return readOnlyDir() + QLatin1Char('/') + QLatin1String(relative); }
}  // namespace

QString exeDir() {
    if (!g_testDir.isEmpty()) return g_testDir;
    return QCoreApplication::applicationDirPath();
}

void setExeDirForTesting(const QString& dir) { g_testDir = dir.isEmpty() ? QString() : withoutTrailingSlash(dir); }

QString exePath() {
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return exeDir() + QLatin1Char('/') + (name.isEmpty() ? QStringLiteral("ostrel-organizer") : name);
}

void setDataDirOverride(const QString& dir) {
    g_dataDirOverride = dir.isEmpty() ? QString() : withoutTrailingSlash(QDir(dir).absolutePath());
}

QString takeDataDirArgument(QStringList& arguments, QString* error) {
    QString dir;
    for (qsizetype i = 0; i < arguments.size();) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--data-dir")) {
            if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
                if (error) *error = QStringLiteral("--data-dir needs a folder");
                arguments.remove(i);
                continue;
            }
            dir = arguments[i + 1];
            arguments.remove(i, 2);
        } else if (a.startsWith(QLatin1String("--data-dir="))) {
            dir = a.mid(11);
            if (dir.isEmpty() && error) *error = QStringLiteral("--data-dir needs a folder");
            arguments.remove(i);
        } else {
            ++i;
        }
    }
    return dir;
}

PathLayout decidePaths(const PathFacts& f) {
    PathLayout out;
    const auto xdg = [&f](const QString& set, const char* fallback) {
        if (!set.isEmpty() && QDir::isAbsolutePath(set)) return withoutTrailingSlash(QDir::cleanPath(set));
        return withoutTrailingSlash(f.home) + QLatin1Char('/') + QLatin1String(fallback);
    };
    out.portable = f.portableMarker || (f.databaseBesideExe && f.exeDirWritable);
    if (out.portable) {
        out.data = out.config = out.readOnly = f.exeDir;
    } else {
        out.data = xdg(f.xdgDataHome, ".local/share") + QLatin1Char('/') + kAppFolder;
        out.config = xdg(f.xdgConfigHome, ".config") + QLatin1Char('/') + kAppFolder;
        out.readOnly =
            f.shareDirExists ? QDir::cleanPath(f.exeDir + QStringLiteral("/../share/ostrel-organizer")) : f.exeDir;
    }
    if (!f.dataDir.isEmpty()) out.data = out.config = withoutTrailingSlash(QDir::cleanPath(f.dataDir));
    return out;
}

namespace {
// The layout of this run, decided once: a program does not change its
// mode while it runs. Tests that set a folder get everything there.
const PathLayout& layout() {
    static PathLayout decided;
    static bool made = false;
    if (!made) {
        PathFacts f;
        f.exeDir = realExeDir();
        f.exeDirWritable = QFileInfo(f.exeDir).isWritable();
        f.portableMarker = QFileInfo::exists(f.exeDir + QStringLiteral("/portable"));
        f.databaseBesideExe = QFileInfo::exists(f.exeDir + QStringLiteral("/Tamo.qdb"));
        f.shareDirExists = QFileInfo(installedShareDir()).isDir();
        f.dataDir = dataDirOverride();
        f.xdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
        f.xdgConfigHome = qEnvironmentVariable("XDG_CONFIG_HOME");
        f.home = QDir::homePath();
        decided = decidePaths(f);
        made = !f.exeDir.isEmpty();  // asked before the application object: ask again later
    }
    if (!g_testDir.isEmpty()) {
        static PathLayout test;
        test = {true, g_testDir, g_testDir, g_testDir};
        return test;
    }
    return decided;
}
}  // namespace

bool isPortable() { return layout().portable; }
QString userDataDir() { return layout().data; }
QString configDir() { return layout().config; }
QString readOnlyDir() { return layout().readOnly; }

QString databaseTemplatePath() {
    if (isPortable()) return {};
    const QString t = readOnlyDir() + QStringLiteral("/Tamo.qdb");
    return QFileInfo(t).isFile() ? t : QString();
}

bool prepareUserFiles(QString* error) {
    const QString data = userDataDir();
    const QString db = databaseFilePath();
    if (QFileInfo::exists(db)) return true;
    if (!QDir().mkpath(data)) {
        if (error) *error = QStringLiteral("Cannot create the folder \"%1\"").arg(QDir::toNativeSeparators(data));
        return false;
    }
    QString source = databaseTemplatePath();
    // A new --data-dir folder of a portable program starts from the
    // installed empty database when there is one.
    if (source.isEmpty() && QFileInfo(installedShareDir() + QStringLiteral("/Tamo.qdb")).isFile())
        source = installedShareDir() + QStringLiteral("/Tamo.qdb");
    if (source.isEmpty()) return true;  // reported where the database is opened
    // Through a temporary name, so a database is whole or absent.
    const QString tmp = db + QStringLiteral(".new");
    QFile::remove(tmp);
    if (!QFile::copy(source, tmp) || !QFile::setPermissions(tmp, QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        !QFile::rename(tmp, db)) {
        QFile::remove(tmp);
        if (error)
            *error = QStringLiteral("Cannot copy \"%1\" to \"%2\"")
                         .arg(QDir::toNativeSeparators(source), QDir::toNativeSeparators(db));
        return false;
    }
    return true;
}

QString settingsFilePath() {
    QString base = QStringLiteral("ostrel-organizer");
    if (isPortable() && configDir() == exeDir()) {
        base = QFileInfo(exePath()).fileName();
        const int dot = base.lastIndexOf(QLatin1Char('.'));
        if (dot > 0) base.truncate(dot);
    }
    return configDir() + QLatin1Char('/') + base + QStringLiteral(".ini");
}

QString databaseFilePath() { return inDataDir("Tamo.qdb"); }
QString languagesDir() { return inReadOnlyDir("Languages"); }
QString skinFilePath() { return inReadOnlyDir("skins/ostrel.skn"); }
QString analogDialPath() { return inReadOnlyDir("Images/Analog_clock.jpg"); }
QString helpFilePath() { return inReadOnlyDir("help/ostrel_organizer.qch"); }
QString notesFilePath() { return inDataDir("pockerbook.rtf"); }
QString photosDir() { return inDataDir("Photos"); }
QString backupsDir() { return inDataDir("Backups"); }

QString resolvePhotoPath(const QString& stored) {
    if (stored.isEmpty()) return {};
    if (QDir::isAbsolutePath(stored)) return QDir::cleanPath(stored);
    QString relative = stored;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (relative.startsWith(QLatin1Char('/'))) relative.remove(0, 1);
    return QDir::cleanPath(userDataDir() + QLatin1Char('/') + relative);
}

QString storablePhotoPath(const QString& chosenFile) {
    const QString file = QFileInfo(chosenFile).absoluteFilePath();
    const QString relative = QDir(userDataDir()).relativeFilePath(file);
    if (!relative.isEmpty() && !relative.startsWith(QLatin1String("..")) && !QDir::isAbsolutePath(relative))
        return relative;
    return QDir::cleanPath(file);
}

}  // namespace ostrel
