#include "app/forms.h"
#include "app/sync_launcher.h"

#include <algorithm>
#include <initializer_list>

#include "app/app_commands.h"
#include "app/help_setup.h"
#include "app/reminder_notices.h"
#include "app/window_rules.h"
#include "base/app_paths.h"

#include "clock/clock_window.h"
#include "clock/day_info_link.h"
#include "contacts/address_book.h"
#include "contacts/person_editor.h"
#include "contacts/person_viewer.h"
#include "data/contact_store.h"
#include "data/data_module.h"
#include "data/holiday_store.h"
#include "data/plan_store.h"
#include "data/reminder_engine.h"
#include "notes/pocket_book.h"
#include "planning/day_info.h"
#include "planning/holiday_editor.h"
#include "planning/holiday_list.h"
#include "planning/schedule_window.h"
#include "settings/settings_dialog.h"
#include "tasks/reminder_list.h"
#include "tasks/quick_task.h"
#include "data/month_marks_store.h"
#include "data/search_store.h"
#include "find/find_window.h"
#include "ui/find_key.h"
#include "tasks/reminder_window.h"
#include "tasks/task_editor.h"
#include "tasks/todo_list.h"
#include "ui/app_commands.h"
#include "ui/close_keys.h"
#include "ui/error_display.h"
#include "ui/guarded.h"
#include "ui/reminder_settings.h"
#include "ui/settings_model.h"

namespace ostrel {

// DataModule1 is defined beside the data module, frmSettings beside the
// settings dialog and frmCreateToDo beside the task editor: their own layer
// or area reaches them without this file.
TfrmClock* frmClock = nullptr;
ReminderEngine* reminderEngine = nullptr;
TfrmDayInfo* frmDayInfo = nullptr;
TfrmAddressBook* frmAddressBook = nullptr;
TfrmPersonEdit* frmPersonEdit = nullptr;
TfrmViewPerson* frmViewPerson = nullptr;
TfrmToDoList* frmToDoList = nullptr;
TfrmSchedule* frmSchedule = nullptr;
TfrmNewHoliday* frmNewHoliday = nullptr;
TfrmHolidayList* frmHolidayList = nullptr;
TfrmPocketBook* frmPocketBook = nullptr;
TfrmQuickTask* frmQuickTask = nullptr;
TfrmFind* frmFind = nullptr;

namespace {
// The day-info panel as the clock sees it.
class DayInfoLink final : public DayInfoPanel {
public:
    void showPanel() override {
        if (frmDayInfo) frmDayInfo->showPanel();
    }
    void hidePanel() override {
        if (frmDayInfo) frmDayInfo->hidePanel();
    }
    bool panelVisible() const override { return frmDayInfo && frmDayInfo->panelVisible(); }
    void startHideTimer(int intervalMs) override {
        if (frmDayInfo) frmDayInfo->startHideTimer(intervalMs);
    }
};
DayInfoLink g_dayInfoLink;

void createDayInfoForm() {
    frmDayInfo = new TfrmDayInfo(DataModule1->tasks(), DataModule1->plans(), DataModule1->holidays());
    registerApplicationForm(frmDayInfo);
    frmDayInfo->setCalendarSources(new MonthMarksStore(DataModule1->connTAMO, frmDayInfo), &DataModule1->contacts());
    frmDayInfo->placeMode = [] {
        if (!frmClock) return DayInfoPlace::ScreenCorner;
        const TViewMode mode = frmClock->viewMode();
        if (mode == vmFreeClock || mode == vmAnalogClock) return DayInfoPlace::BesideClock;
        if (mode == vmSysTrayIcon && frmClock->trayIconGeometry().isValid()) return DayInfoPlace::BesideIcon;
        return DayInfoPlace::ScreenCorner;
    };
    // Where the program put the clock (a frameless window): a window manager
    // that framed it may report another place for it. In the notification
    // area: where the icon is.
    frmDayInfo->clockFrame = [] {
        if (!frmClock) return QRect();
        return frmClock->viewMode() == vmSysTrayIcon ? frmClock->trayIconGeometry() : frmClock->viewState().geometry;
    };
    frmClock->setDayInfoPanel(&g_dayInfoLink);
}

// The address book and its viewer and editor (the list is handed the other
// two, so they come first). The end of the desktop session lets an open
// contact editor close.
void createContactForms() {
    frmViewPerson = new TfrmViewPerson(DataModule1->contacts());
    registerApplicationForm(frmViewPerson);
    frmPersonEdit = new TfrmPersonEdit(DataModule1->contacts());
    registerApplicationForm(frmPersonEdit);
    frmAddressBook = new TfrmAddressBook(DataModule1->contacts(), frmViewPerson, frmPersonEdit);
    registerApplicationForm(frmAddressBook);
    QObject::connect(frmClock, &TfrmClock::sessionEnding, frmPersonEdit, [] {
        if (frmPersonEdit) frmPersonEdit->AllowClose = true;
    });
}

void createPocketBookForm() {
    frmPocketBook = new TfrmPocketBook();
    registerApplicationForm(frmPocketBook);
    // The settings dialog changes the pocket book's colours live.
    if (frmSettings) {
        frmSettings->applyPocketBookColor = [](const QColor& c) {
            if (frmPocketBook) frmPocketBook->setEditorColor(c);
        };
        frmSettings->applyPocketBookFontColor = [](const QColor& c) {
            if (frmPocketBook) frmPocketBook->setEditorFontColor(c);
        };
    }
}
}  // namespace

void createHolidayForms() {
    frmNewHoliday = new TfrmNewHoliday(DataModule1->holidays());
    registerApplicationForm(frmNewHoliday);
    frmHolidayList = new TfrmHolidayList(DataModule1->holidays());
    registerApplicationForm(frmHolidayList);
    QObject::connect(frmHolidayList, &TfrmHolidayList::editHoliday, frmNewHoliday, &TfrmNewHoliday::OpenForHoliday);
}

void createReminderEngine() {
    reminderEngine = new ReminderEngine(DataModule1->connTAMO, DataModule1->tasks(), DataModule1->holidays());
    // A pass the gate's own timer runs has no command around it to report
    // its error.
    reminderEngine->setPassErrorHandler([] { showCurrentError(); });
    // A reminder window is also shown as a desktop notification (Notify);
    // Notify is on by default where a notifications service answers.
    auto* notices = new ReminderNotices(QDBusConnection::sessionBus(), reminderEngine);
    declareReminderSettings(notices->serviceAnswers());
    settings().load(kRemindersSection);
    // Beyond a few open windows the rest go to one list window.
    QObject::connect(reminderEngine, &ReminderEngine::reminderDue, reminderEngine,
                     [notices](const TTaskParams& params, const QString& caption) {
                         if (TfrmToDo* window = ShowReminderOrList(*reminderEngine, params, caption))
                             notices->windowShown(window, params, caption);
                     });
    setReminderAnswerReceiver(new ReminderAnswers(*reminderEngine));
}

void destroyReminderEngine() {
    delete reminderAnswerReceiver();
    setReminderAnswerReceiver(nullptr);
    delete reminderEngine;
    reminderEngine = nullptr;
}

TfrmSettings* createSettingsDialog(TfrmClock* clock) {
    auto* dialog = new TfrmSettings(clock);
    frmSettings = dialog;
    QObject::connect(clock, &TfrmClock::settingsRequested, dialog, guarded(dialog, &TfrmSettings::execDialog));
    return dialog;
}

void createForms(const std::function<void()>& clockMade, const std::function<void()>& beforeData) {
    // The clock first: it needs no data to show the time.
    frmClock = new TfrmClock();
    registerApplicationForm(frmClock);
    if (clockMade) clockMade();
    if (beforeData) beforeData();
    DataModule1 = new TDataModule1(databaseFilePath());
    createReminderEngine();
    frmClock->connectData(*reminderEngine, DataModule1->tasks());
    startSyncLauncher(*DataModule1, *reminderEngine);
    createSettingsDialog(frmClock);
    createDayInfoForm();
    createContactForms();
    frmCreateToDo = new TfrmCreateToDo(DataModule1->tasks());
    registerApplicationForm(frmCreateToDo);
    frmQuickTask = new TfrmQuickTask(DataModule1->tasks());
    registerApplicationForm(frmQuickTask);
    frmToDoList = new TfrmToDoList(DataModule1->tasks(), frmCreateToDo);
    registerApplicationForm(frmToDoList);
    frmSchedule = new TfrmSchedule(DataModule1->plans());
    registerApplicationForm(frmSchedule);
    createHolidayForms();
    auto* search = new SearchStore(DataModule1->connTAMO);
    frmFind = new TfrmFind(*search, [] { return readNotesParagraphs(notesFilePath()); });
    search->setParent(frmFind);
    registerApplicationForm(frmFind);
    createPocketBookForm();
    // Ctrl+F opens the search window from every window of ours.
    for (QWidget* w : applicationForms()) installFindKey(w);
    installFindKey(frmSettings);
    // The windows without a button to close them (without a window manager
    // they have no frame either).
    for (QWidget* w :
         std::initializer_list<QWidget*>{frmToDoList, frmSchedule, frmHolidayList, frmAddressBook, frmPocketBook})
        installCloseKeys(w);
    installAppCommands();
    installHelp();
    installWindowRules([]() -> QWidget* { return frmClock; });
}

void destroyForms() {
    setCommandHandler({});
    setItemHandler({});
    setNewTaskOnHandler({});
    removeWindowRules();
    removeHelp();
    if (frmClock) frmClock->setDayInfoPanel(nullptr);
    delete frmSettings;  // clears frmSettings
    // Most recently created first.
    std::vector<QWidget*> forms = applicationForms();
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) delete *it;
    frmClock = nullptr;
    frmDayInfo = nullptr;
    frmAddressBook = nullptr;
    frmPersonEdit = nullptr;
    frmViewPerson = nullptr;
    frmCreateToDo = nullptr;
    frmQuickTask = nullptr;
    frmFind = nullptr;
    frmToDoList = nullptr;
    frmSchedule = nullptr;
    frmNewHoliday = nullptr;
    frmHolidayList = nullptr;
    frmPocketBook = nullptr;
    destroyReminderEngine();
    delete DataModule1;
    DataModule1 = nullptr;
}

}  // namespace ostrel
