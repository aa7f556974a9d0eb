#include "app/startup.h"

#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTimer>

#include "app/application.h"
#include "app/backups.h"
#include "app/exchange.h"
#include "app/forms.h"
#include "clock/clock_window.h"
#include "core/data/sql/sql_value.h"
#include "core/time/clock_from_environment.h"
#include "data/data_module.h"
#include "platform/instance_guard.h"
#include "platform/quit_signals.h"
#include "settings/settings_dialog.h"
#include "ui/settings_file.h"
#include "ui/languages.h"
#include "ui/dialog_service.h"
#include "ui/error_display.h"
#include "ui/guarded.h"

namespace ostrel {

// The start-up's length, for whoever watches a running program
// (QT_LOGGING_RULES="ostrel.startup.info=true").
Q_LOGGING_CATEGORY(lcStartup, "ostrel.startup", QtWarningMsg)

int runOrganizer(int argc, char** argv) {
    QElapsedTimer started;
    started.start();
    // Process tests choose the present (clock_from_environment.h).
    installClockFromEnvironment();
    // An exchange asked on the command line runs without a window, whether
    // or not a copy of the program runs.
    if (const auto rc = runExchangeCommandLine(argc, argv)) return *rc;
    OstrelApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("ostrel-organizer"));
    app.setApplicationVersion(QStringLiteral("1.1.1"));

    // A second copy asks the first to come forward and ends, touching
    // neither the database nor the settings.
    InstanceGuard guard(instanceKey(QCoreApplication::applicationFilePath()));
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

    installDialogServiceFromEnvironment();
    // What saves killed part-way left beside the settings file.
    removeSettingsLeftovers();
    app.setQuitOnLastWindowClosed(false);
    OstrelApplication::setTitle(QStringLiteral("Ostrel Organizer"));

    // SIGTERM, SIGINT and SIGHUP end the program as Exit does, so the view
    // mode and position are saved.
    QuitSignalWatcher quitSignals;

    try {
        // The database is checked before anything opens it; the check's
        // messages are in the chosen language.
        LoadLanguageSetting(false);
        checkDatabaseAtStart();
        createForms();
        QObject::connect(&quitSignals, &QuitSignalWatcher::quitRequested, frmClock, &TfrmClock::miExitClick);
        // The run loop ends with the clock. Not quit(): it first asks every
        // window to close, and an open reminder window answers a close by
        // postponing itself and staying, which would cancel the quit and
        // answer reminders the user never saw through.
        QObject::connect(frmClock, &TfrmClock::closed, &app, [] { QCoreApplication::exit(0); });
        QObject::connect(&guard, &InstanceGuard::activationRequested, frmClock, &TfrmClock::bringToFront);
        QObject::connect(&guard, &InstanceGuard::refreshRequested, frmClock, guarded(refreshAfterExternalChange));
        // A long reminder pass stops at a quit signal; the rows it has not
        // reached stay due for the next start.
        DataModule1->StopRequested = [] { return QuitSignalWatcher::received(); };
        LoadLanguageSetting(true);
        try {
            DataModule1->InitReminders();
        } catch (const sql::DbError& e) {
            if (!e.busy()) throw;
            // Another process holds the database's lock: the clock starts,
            // the fault is told, and the pass is tried again in a minute.
            showError(e);
        }
        installDailyBackup(frmClock);
        // The settings dialog is not one of the application's windows.
        TranslateForm(frmSettings);
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
    const int rc = app.exec();
    destroyForms();
    return rc;
}

}  // namespace ostrel
