#pragma once
// The program installed into a temporary folder for process tests: the
// executable, its skin, a fixture database and a settings file, started with
// its own runtime and configuration folders (XDG_RUNTIME_DIR for the
// instance guard, XDG_CONFIG_HOME for autostart entries), so nothing of the
// user's own setup is read or written.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include "fixture_db.h"

namespace ostrel::testing {

class ProcessInstall {
public:
    struct Options {
        QString folder = QStringLiteral("organizer");  // a name with blanks tests quoting
        bool skin = true;
        bool database = true;
        QByteArray ini;  // the settings file's text; none when empty
    };

    ProcessInstall() : ProcessInstall(Options{}) {}
    explicit ProcessInstall(const Options& options) {
        root = dir.path() + QLatin1Char('/') + options.folder;
        runtime = dir.path() + QStringLiteral("/runtime");
        config = dir.path() + QStringLiteral("/config");
        QDir().mkpath(root);
        QDir().mkpath(runtime);
        QDir().mkpath(config);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        exe = root + QStringLiteral("/ostrel-organizer");
        QFile::copy(QStringLiteral(OSTREL_APP_EXE), exe);
        // Every file beside the program (also when a test leaves the
        // database out), never in the user's own folders.
        QFile marker(root + QStringLiteral("/portable"));
        if (marker.open(QIODevice::WriteOnly)) marker.close();
        if (options.skin) {
            QDir().mkpath(root + QStringLiteral("/skins"));
            QFile::copy(QFileInfo(QStringLiteral(OSTREL_APP_EXE)).absolutePath() + QStringLiteral("/skins/ostrel.skn"),
                        root + QStringLiteral("/skins/ostrel.skn"));
        }
        if (options.database) createOrganizerDatabase((root + QStringLiteral("/Tamo.qdb")).toStdString());
        if (!options.ini.isEmpty()) writeIni(options.ini);
    }

    QString ini() const { return root + QStringLiteral("/ostrel-organizer.ini"); }
    QString database() const { return root + QStringLiteral("/Tamo.qdb"); }
    void writeIni(const QByteArray& text) const {
        QFile f(ini());
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(text);
    }
    QByteArray readIni() const {
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Starts the installed program; the caller owns the process. extra
    // adds to (or overrides) the environment, OSTREL_DIALOGS (stderr by
    // default) too; args are its command line.
    QProcess* start(const QProcessEnvironment& extra = {}, const QStringList& args = {}) const {
        auto* p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path() + QStringLiteral("/data"));
        env.remove(QStringLiteral("OSTREL_DATA_DIR"));
        env.insert(QStringLiteral("OSTREL_DIALOGS"), QStringLiteral("stderr"));
        for (const QString& key : extra.keys()) env.insert(key, extra.value(key));
        if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(dir.path());
        p->start(exe, args);
        return p;
    }

    // True once the process holds the file open (for the database: it is
    // past the instance guard and into start-up).
    static bool hasOpen(qint64 pid, const QString& file) {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::NoDotAndDotDot | QDir::System | QDir::Files))
            if (fd.symLinkTarget() == file) return true;
        return false;
    }

    QTemporaryDir dir;
    QString root;
    QString runtime;
    QString config;
    QString exe;
};

}  // namespace ostrel::testing
