#include "app/exchange.h"

#include "app/startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <stdexcept>
#include <thread>

#include "app/forms.h"
#include "base/app_paths.h"
#include "base/language_texts.h"
#include "core/data/sql/sql_value.h"
#include "data/data_module.h"
#include "data/exchange_service.h"
#include "data/plan_store.h"
#include "data/reminder_engine.h"
#include "platform/instance_guard.h"
#include "platform/quit_signals.h"
#include "ui/dialog_service.h"
#include "ui/languages.h"

namespace ostrel {

// What the exchange did, for whoever watches a running program
// (QT_LOGGING_RULES="ostrel.exchange.info=true").
Q_LOGGING_CATEGORY(lcExchange, "ostrel.exchange", QtWarningMsg)

namespace {

const QString kCaption = QStringLiteral("Ostrel Organizer");

enum class Action { ExportCalendar, ImportCalendar, ExportContacts, ImportContacts };

// The folder the dialogs start in: the last one used, else the home folder.
QString& lastFolder() {
    static QString folder = QDir::homePath();
    return folder;
}

ExchangeResult run(TDataModule1& data, Action action, const QString& file) {
    ExchangeService service(data);
    switch (action) {
        case Action::ExportCalendar: return service.exportCalendar(file);
        case Action::ImportCalendar: return service.importCalendar(file);
        case Action::ExportContacts: return service.exportContacts(file);
        case Action::ImportContacts: return service.importContacts(file);
    }
    return {};
}

QString summaryOf(Action action, const ExchangeResult& r, const QString& file) {
    switch (action) {
        case Action::ExportCalendar: return ExchangeService::calendarExportSummary(r, file);
        case Action::ExportContacts: return ExchangeService::contactExportSummary(r, file);
        case Action::ImportCalendar:
        case Action::ImportContacts: return ExchangeService::importSummary(r, file);
    }
    return {};
}

// An import from the menu runs on a worker thread with its own connection
// to the database (as the command line's does), so the clock keeps
// ticking and a quit signal ends it at once: the worker stops between two
// entries and its transaction is undone. A progress dialog with a Cancel
// button shows once it has taken a second. Throws what the import threw.
ExchangeResult importOffThread(Action action, const QString& file) {
    static bool running = false;
    if (running) throw ExchangeFailure(ExchangeService::message(QStringLiteral("ExchangeBusy")).toStdString());
    running = true;
    struct Done {
        ~Done() { running = false; }
    } done;
    const QString database = QString::fromStdString(DataModule1->connTAMO.path());
    std::atomic<bool> stop{false};
    std::atomic<int> permille{0};
    std::atomic<bool> finished{false};
    ExchangeResult result;
    std::exception_ptr error;
    QEventLoop loop;
    std::thread worker([&] {
        try {
            TDataModule1 data(database);
            // The program's own writes wait for the import as for another
            // process's.
            data.connTAMO.setBusyTimeout(10000);
            ExchangeService service(data);
            const ImportProgress progress = [&](double done) {
                permille.store(static_cast<int>(done * 1000.0));
                return !stop.load() && !QuitSignalWatcher::received();
            };
            result = action == Action::ImportCalendar ? service.importCalendar(file, progress)
                                                      : service.importContacts(file, progress);
        } catch (...) {
            error = std::current_exception();
        }
        finished.store(true);
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });

    // Shown by itself once the import has taken a second.
    QProgressDialog dialog(FormatMessageText(ExchangeService::message(QStringLiteral("ExchangeProgress")),
                                             {QDir::toNativeSeparators(QFileInfo(file).fileName())}),
                           ExchangeService::message(QStringLiteral("ExchangeCancel")), 0, 1000);
    dialog.setObjectName(QStringLiteral("dlgImportProgress"));
    dialog.setWindowTitle(kCaption);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumDuration(1000);
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&stop] { stop.store(true); });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] { dialog.setValue(std::min(999, permille.load())); });
    tick.start(100);
    if (!finished.load()) loop.exec();
    // Left early (the program is ending): the worker stops at its next
    // entry and undoes what it wrote.
    stop.store(true);
    worker.join();
    if (error) std::rethrow_exception(error);
    return result;
}

void runFromMenu(Action action) {
    if (!DataModule1) return;
    const bool calendar = action == Action::ExportCalendar || action == Action::ImportCalendar;
    const bool import = action == Action::ImportCalendar || action == Action::ImportContacts;
    const QString filter =
        ExchangeService::message(calendar ? QStringLiteral("CalendarFileFilter") : QStringLiteral("ContactFileFilter"));
    QString file;
    if (import) {
        const QString caption = GetLangMessage(calendar ? QStringLiteral("ImportCalendarCaption")
                                                        : QStringLiteral("ImportContactsCaption"));
        file = dialogs().openFile(nullptr, caption, lastFolder(), filter);
    } else {
        const QString caption = GetLangMessage(calendar ? QStringLiteral("ExportCalendarCaption")
                                                        : QStringLiteral("ExportContactsCaption"));
        const QString name = calendar ? QStringLiteral("calendar.ics") : QStringLiteral("contacts.vcf");
        file = dialogs().saveFile(nullptr, caption, lastFolder() + QLatin1Char('/') + name, filter);
    }
    if (file.isEmpty()) return;
    lastFolder() = QFileInfo(file).absolutePath();
    ExchangeResult result;
    try {
        result = import ? importOffThread(action, file) : run(*DataModule1, action, file);
    } catch (const ExchangeFailure& e) {
        // Stopped for a quit: the program is ending, no message.
        if (!QuitSignalWatcher::received()) showMessage(e.text(), kCaption, MsgIcon::Warning, MsgOk);
        return;
    }
    if (import) {
        // Written on another connection: every view reads again.
        if (result.added > 0 || result.updated > 0) refreshAfterExternalChange();
        else if (reminderEngine) reminderEngine->UpdateNextReminderTime();
    }
    if (QuitSignalWatcher::received()) return;
    showMessage(summaryOf(action, result, QDir::toNativeSeparators(file)), kCaption, MsgIcon::Information, MsgOk);
}

struct Request {
    Action action;
    QString file;
};

}  // namespace

void importCalendarCommand() { runFromMenu(Action::ImportCalendar); }
void exportCalendarCommand() { runFromMenu(Action::ExportCalendar); }
void importContactsCommand() { runFromMenu(Action::ImportContacts); }
void exportContactsCommand() { runFromMenu(Action::ExportContacts); }

void refreshAfterExternalChange() {
    if (!DataModule1) return;
    qCInfo(lcExchange, "the database was changed by another process: views refreshed");
    emit DataModule1->tasks().changed();
    emit DataModule1->holidays().changed();
    emit DataModule1->plans().changed();
    emit DataModule1->contacts().changed();
    if (reminderEngine) reminderEngine->UpdateNextReminderTime();
}

std::optional<int> runExchangeCommandLine(int argc, char** argv) {
    static const std::pair<const char*, Action> kOptions[] = {
        {"--export-calendar", Action::ExportCalendar},
        {"--import-calendar", Action::ImportCalendar},
        {"--export-contacts", Action::ExportContacts},
        {"--import-contacts", Action::ImportContacts},
    };
    std::optional<Request> request;
    bool wrong = false;
    for (int i = 1; i < argc; ++i) {
        for (const auto& [name, action] : kOptions) {
            const std::size_t len = std::strlen(name);
            const char* arg = argv[i];
            if (std::strncmp(arg, name, len) != 0 || (arg[len] != '\0' && arg[len] != '=')) continue;
            QString file;
            if (arg[len] == '=') file = QString::fromLocal8Bit(arg + len + 1);
            else if (i + 1 < argc) file = QString::fromLocal8Bit(argv[++i]);
            if (request || file.isEmpty()) wrong = true;
            else request = Request{action, file};
        }
    }
    if (!request && !wrong) return std::nullopt;

    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("ostrel-organizer"));
    // No window may open here: whatever would be a message goes to
    // standard error.
    StderrDialogService quiet;
    DialogService* previous = setDialogService(&quiet);
    struct Restore {
        DialogService* previous;
        ~Restore() { setDialogService(previous); }
    } restore{previous};

    if (wrong) {
        std::fputs(
            "ostrel-organizer: one of --export-calendar FILE, --import-calendar FILE, "
            "--export-contacts FILE or --import-contacts FILE, once\n",
            stderr);
        return 2;
    }
    // Messages in the language the user chose (English without the files).
    LoadLanguageSetting(false);
    // Relative to the caller's working folder.
    const QString file = QFileInfo(request->file).absoluteFilePath();
    try {
        if (QString error; !prepareUserFiles(&error)) throw std::runtime_error(error.toStdString());
        TDataModule1 data(databaseFilePath());
        // The running program may hold the file for a moment.
        data.connTAMO.setBusyTimeout(10000);
        const ExchangeResult result = run(data, request->action, file);
        const bool import = request->action == Action::ImportCalendar || request->action == Action::ImportContacts;
        if (import && (result.added > 0 || result.updated > 0))
            InstanceGuard::sendToFirstInstance(programInstanceKey(), "refresh");
        std::fprintf(stdout, "%s\n",
                     summaryOf(request->action, result, QDir::toNativeSeparators(file)).toLocal8Bit().constData());
        return 0;
    } catch (const ExchangeFailure& e) {
        std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
    } catch (const std::exception& e) {
        std::fprintf(
            stderr, "%s\n",
            FormatMessageText(ExchangeService::message(QStringLiteral("ExchangeFailed")), {QString::fromUtf8(e.what())})
                .toLocal8Bit()
                .constData());
    }
    return 1;
}

}  // namespace ostrel
