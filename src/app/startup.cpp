#include "app/startup.h"

#include <cstdio>
#include <optional>

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTimer>

#include "app/application.h"
#include "app/backups.h"
#include "app/exchange.h"
#include "app/forms.h"
#include "base/app_paths.h"
#include "base/language_texts.h"
#include "clock/clock_window.h"
#include "core/data/sql/sql_value.h"
#include "core/time/clock_from_environment.h"
#include "data/backup_store.h"
#include "data/data_module.h"
#include "data/reminder_engine.h"
#include "platform/instance_guard.h"
#include "platform/quit_signals.h"
#include "settings/settings_dialog.h"
#include "ui/app_commands.h"
#include "ui/dialog_service.h"
#include "ui/error_display.h"
#include "ui/guarded.h"
#include "ui/languages.h"
#include "ui/settings_file.h"

namespace ostrel {

// The start-up's length, for whoever watches a running program
// (QT_LOGGING_RULES="ostrel.startup.info=true").
Q_LOGGING_CATEGORY(lcStartup, "ostrel.startup", QtWarningMsg)

namespace {

const char kUsage[] =
    "Usage: ostrel-organizer [--data-dir DIR] [--export-calendar FILE | --import-calendar FILE |\n"
    "                         --export-contacts FILE | --import-contacts FILE]\n"
    "       ostrel-organizer --help | --version\n"
    "\n"
    "A desktop organizer that presents itself as a clock.\n"
    "\n"
    "  --data-dir DIR            keep every user file (database, notes, photos, backups,\n"
    "                            settings) in DIR; also OSTREL_DATA_DIR\n"
    "  --export-calendar FILE    write tasks, holidays and plans to an iCalendar file and exit\n"
    "  --import-calendar FILE    read an iCalendar file into the database and exit\n"
    "  --export-contacts FILE    write the address book to a vCard file and exit\n"
    "  --import-contacts FILE    read a vCard file into the address book and exit\n"
    "  --help                    show this text and exit\n"
    "  --version                 show the version and exit\n";

// The options read before anything else: the data folder, help and
// version. Returns an exit code when the program ends here.
std::optional<int> readEarlyOptions(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    for (const QString& a : args) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == QLatin1String("--version")) {
            std::printf("ostrel-organizer %s\n", OSTREL_VERSION);
            return 0;
        }
    }
    QString error;
    const QString dir = takeDataDirArgument(args, &error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "ostrel-organizer: %s\n\n%s", error.toLocal8Bit().constData(), kUsage);
        return 2;
    }
    if (!dir.isEmpty()) setDataDirOverride(dir);
    return std::nullopt;
}

// Environment the platform is chosen by, set before the application exists.
void prepareEnvironment() {
    // On X11, Qt hands window contents to the server through shared memory
    // and waits for a completion event each time: a second wake-up per
    // redraw of the analog clock. The clock's windows are small; plain
    // requests cost less than the extra wake-up. (A user's own setting wins.)
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    // A Wayland session does not let a client place its own windows: the
    // floating and panel clocks keep their places through the session's X
    // server when there is one. The user's own choice of platform wins.
    if (const char* platform = waylandSessionPlatform(); platform) qputenv("QT_QPA_PLATFORM", platform);
}

// A second copy asks the first to come forward and ends; a lock that cannot
// be made at all is said and ends the program as a failure. Returns the
// exit code when this copy ends here.
std::optional<int> claimInstance(InstanceGuard& guard) {
    if (guard.lockFailed()) {
        // Not another copy: the lock cannot be made at all. Said so, and
        // ended as a failure.
        installDialogServiceFromEnvironment();
        showMessage(FormatMessageText(GetLangMessage(QStringLiteral("InstanceLockFailed")),
                                      {guard.lockFilePath(), guard.failureReason()}),
                    QStringLiteral("Ostrel Organizer"), MsgIcon::Error, MsgOk);
        return 1;
    }
    if (!guard.isFirstInstance()) {
        guard.activatePreviousInstance();
        return 0;
    }
    return std::nullopt;
}

// The user's files in place: false (said so) when they cannot be prepared.
bool prepareFiles() {
    // A first start of an installed program (or in a new data folder)
    // copies the empty database into place.
    if (QString error; !prepareUserFiles(&error)) {
        showMessage(
            FormatMessageText(GetLangMessageOr(QStringLiteral("UserFilesFailed"),
                                               QStringLiteral("Ostrel Organizer cannot prepare its files: %s.")),
                              {error}),
            QStringLiteral("Ostrel Organizer"), MsgIcon::Error, MsgOk);
        return false;
    }
    // What saves killed part-way left beside the settings file, and a
    // restore's copy that never reached its place.
    removeSettingsLeftovers();
    BackupStore::removeRestoreLeftovers();
    return true;
}

// The windows, the data module and the reminder engine, then the start-up
// pass. Throws StartupEnded when start-up ends on the way.
void createProgram(OstrelApplication& app, InstanceGuard& guard, const QElapsedTimer& started) {
    // The database is checked before anything opens it, on a worker
    // thread; the check's messages are in the chosen language.
    std::optional<DatabaseCheck> databaseCheck;
    LoadLanguageSetting(false);
    qCInfo(lcStartup, "language read: %lld ms", static_cast<long long>(started.elapsed()));
    const auto showClock = [&databaseCheck] {
        // The clock is on the screen first; the other windows are made
        // while it shows. (Not when start-up is about to end anyway.)
        // The check starts once the clock is handed to the display: on
        // a machine with few cores it would slow the clock's start.
        if (!OstrelApplication::terminateRequested() && !settingsFileFailed() && !QuitSignalWatcher::received() &&
            frmClock->showOnStart()) {
            frmClock->show();
            // Hands the window to the display now rather than at the
            // first turn of the run loop; input waits for the run loop.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        databaseCheck.emplace();
    };
    const auto finishCheck = [&databaseCheck, &started] {
        if (!databaseCheck) databaseCheck.emplace();
        databaseCheck->finish();
        qCInfo(lcStartup, "database checked: %lld ms", static_cast<long long>(started.elapsed()));
    };
    createForms(showClock, finishCheck);
    qCInfo(lcStartup, "windows created: %lld ms", static_cast<long long>(started.elapsed()));
    // The run loop ends with the clock. Not quit(): it first asks every
    // window to close, and an open reminder window answers a close by
    // postponing itself and staying, which would cancel the quit and
    // answer reminders the user never saw through.
    QObject::connect(frmClock, &TfrmClock::closed, &app, [] { QCoreApplication::exit(0); });
    QObject::connect(&guard, &InstanceGuard::activationRequested, frmClock, &TfrmClock::bringToFront);
    QObject::connect(&guard, &InstanceGuard::refreshRequested, frmClock, guarded(refreshAfterExternalChange));
    // A long reminder pass stops at a quit signal; the rows it has not
    // reached stay due for the next start.
    reminderEngine->setStopRequested([] { return QuitSignalWatcher::received(); });
    LoadLanguageSetting(true);
    try {
        reminderEngine->InitReminders();
    } catch (const sql::DbError& e) {
        if (!e.busy()) throw;
        // Another process holds the database's lock: the clock starts,
        // the fault is told, and the pass is tried again in a minute.
        showError(e);
    }
    qCInfo(lcStartup, "start-up pass done: %lld ms", static_cast<long long>(started.elapsed()));
    installDailyBackup(frmClock);
    // The settings dialog is not one of the application's windows.
    TranslateForm(frmSettings);
}

}  // namespace

const char* waylandSessionPlatform() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return nullptr;
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                         qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
    if (!wayland || qEnvironmentVariableIsEmpty("DISPLAY")) return nullptr;
    return "xcb";
}

QString programInstanceKey() {
    // One copy per user (the guard's files are the user's) and per data
    // folder: two folders of data may be open at once.
    return instanceKey(QCoreApplication::applicationFilePath()) + QLatin1Char('|') + userDataDir();
}

int runOrganizer(int argc, char** argv) {
    QElapsedTimer started;
    started.start();
    if (const auto rc = readEarlyOptions(argc, argv)) return *rc;
    // Process tests choose the present (clock_from_environment.h).
    installClockFromEnvironment();
    // An exchange asked on the command line runs without a window, whether
    // or not a copy of the program runs.
    if (const auto rc = runExchangeCommandLine(argc, argv)) return *rc;
    prepareEnvironment();
    OstrelApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("ostrel-organizer"));
    app.setApplicationVersion(QStringLiteral(OSTREL_VERSION));
    // The desktop entry and icon it is known by (a Wayland app id too).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.ostrel.organizer"));

    // A second copy asks the first to come forward and ends, touching
    // neither the database nor the settings.
    InstanceGuard guard(programInstanceKey());
    if (const auto rc = claimInstance(guard)) return *rc;

    qCInfo(lcStartup, "application made: %lld ms (platform %s)", static_cast<long long>(started.elapsed()),
           qPrintable(QGuiApplication::platformName()));
    installDialogServiceFromEnvironment();
    if (!prepareFiles()) return 1;
    app.setQuitOnLastWindowClosed(false);
    OstrelApplication::setTitle(QStringLiteral("Ostrel Organizer"));

    // SIGTERM, SIGINT and SIGHUP end the program as Exit does, so the view
    // mode and position are saved; at any moment, also while a message box
    // or dialog waits for an answer (it is answered as cancelled). Before
    // the run loop the start-up ends at its next step; in it, the clock
    // closes as by Exit.
    QuitSignalWatcher quitSignals;
    bool inRunLoop = false;
    const auto quitAsked = [&inRunLoop] {
        closeOpenDialogs();
        if (inRunLoop && frmClock) frmClock->miExitClick();
    };
    QObject::connect(&quitSignals, &QuitSignalWatcher::quitRequested, &app, quitAsked);
    // The end of the desktop session while start-up still runs (a message
    // box is open): the same as a quit signal. In the run loop the clock
    // saves on this request itself.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, [&inRunLoop] {
        if (inRunLoop) return;
        requestTerminate();
        closeOpenDialogs();
    });

    try {
        createProgram(app, guard, started);
    } catch (const StartupEnded& ended) {
        destroyForms();
        return ended.exitCode;
    } catch (...) {
        showCurrentError();
        destroyForms();
        return 1;
    }

    // A missing skin or an unreadable settings file ends the program here,
    // after the start-up pass; the windows are destroyed the normal way. So
    // does a quit signal that came during start-up (a quit asked of the
    // application before its run loop would be forgotten).
    if (OstrelApplication::terminateRequested() || settingsFileFailed() || QuitSignalWatcher::received()) {
        destroyForms();
        return settingsFileFailed() ? 1 : 0;
    }
    if (frmClock->showOnStart()) frmClock->show();
    // Logged once the run loop handles events: the clock and every reminder
    // of the start-up pass are on the screen then.
    QTimer::singleShot(0, &app, [&started] {
        qCInfo(lcStartup, "clock shown %lld ms after start", static_cast<long long>(started.elapsed()));
    });
    inRunLoop = true;
    const int rc = app.exec();
    destroyForms();
    return rc;
}

}  // namespace ostrel
