#include "clock/clock_window.h"

#include <QContextMenuEvent>

#include "base/language_texts.h"
#include "clock/about_box.h"
#include "clock/day_info_link.h"
#include "platform/desktop_tools.h"
#include "ui/app_commands.h"
#include "ui/dialog_service.h"
#include "ui/guarded.h"
#include "ui/help_link.h"

namespace ostrel {

namespace {

enum class Entry { Item, Submenu, Separator };

// One line of the clock menu, in the order shown. The language files key
// each caption on the entry's objectName; the caption here is the English
// text shown before a language file is read.
struct MenuLine {
    Entry entry;
    const char* parent;  // the submenu it is in; nullptr: the menu itself
    const char* name;    // objectName; nullptr for a separator nobody names
    const char* caption;
    void (*command)(TfrmClock&);  // for an item
};

template <AppCommand command>
void run(TfrmClock&) {
    runCommand(command);
}

const MenuLine kClockMenu[] = {
    {Entry::Submenu, nullptr, "miCreate", "Create", nullptr},
    {Entry::Item, "miCreate", "miToDo", "To do", run<AppCommand::NewTask>},
    {Entry::Item, "miCreate", "miQuickTask", "Quick task...", run<AppCommand::QuickTask>},
    {Entry::Item, "miCreate", "miHoliday", "Holiday", run<AppCommand::NewHoliday>},
    {Entry::Submenu, nullptr, "miView", "View", nullptr},
    {Entry::Item, "miView", "miViewToDoList", "To do list", run<AppCommand::ShowToDoList>},
    {Entry::Item, "miView", "miSchedule", "Schedule", run<AppCommand::ShowSchedule>},
    {Entry::Item, "miView", "Holydayslist1", "Holidays list", run<AppCommand::ShowHolidayList>},
    {Entry::Item, "miView", "miAddresBook", "Address book", run<AppCommand::ShowAddressBook>},
    {Entry::Item, "miView", "miFind", "Find...", run<AppCommand::Find>},
    {Entry::Separator, nullptr, "N1", nullptr, nullptr},
    {Entry::Item, nullptr, "miCalculator", "Calculator", [](TfrmClock& c) { c.miCalculatorClick(); }},
    {Entry::Item, nullptr, "miPocketBook", "Pocket-book", run<AppCommand::ShowPocketBook>},
    {Entry::Submenu, nullptr, "miTimeCorrection", "Time correction", nullptr},
    {Entry::Item, "miTimeCorrection", "miManualTimeCorr", "Manual", [](TfrmClock& c) { c.miManualTimeCorrClick(); }},
    // app/ greys this item out while a correction runs.
    {Entry::Item, "miTimeCorrection", "miSMTPClockCorr", "Internet", run<AppCommand::InternetTime>},
    {Entry::Separator, nullptr, "N2", nullptr, nullptr},
    {Entry::Item, nullptr, "miSetting", "Setting", [](TfrmClock& c) { c.miSettingClick(); }},
    {Entry::Item, nullptr, "miHelp", "Help", [](TfrmClock& c) { c.miHelpClick(); }},
    {Entry::Item, nullptr, "miAbout", "About...", [](TfrmClock& c) { c.miAboutClick(); }},
    {Entry::Submenu, nullptr, "miExchange", "Exchange", nullptr},
    {Entry::Item, "miExchange", "miImportCalendar", "Import calendar...", run<AppCommand::ImportCalendar>},
    {Entry::Item, "miExchange", "miExportCalendar", "Export calendar...", run<AppCommand::ExportCalendar>},
    {Entry::Item, "miExchange", "miImportContacts", "Import contacts...", run<AppCommand::ImportContacts>},
    {Entry::Item, "miExchange", "miExportContacts", "Export contacts...", run<AppCommand::ExportContacts>},
    {Entry::Separator, "miExchange", nullptr, nullptr, nullptr},
    {Entry::Item, "miExchange", "miBackupNow", "Back up now", run<AppCommand::BackUpNow>},
    {Entry::Item, "miExchange", "miRestoreBackup", "Restore from backup...", run<AppCommand::RestoreFromBackup>},
    {Entry::Separator, nullptr, "miEmpty", nullptr, nullptr},
    {Entry::Item, nullptr, "miExit", "Exit", [](TfrmClock& c) { c.miExitClick(); }},
};

}  // namespace

void TfrmClock::buildMenu() {
    pmClockMenu = new QMenu(this);
    pmClockMenu->setObjectName(QStringLiteral("pmClockMenu"));
    connect(pmClockMenu, &QMenu::aboutToShow, this, guarded(this, &TfrmClock::pmClockMenuPopup));

    for (const MenuLine& line : kClockMenu) {
        QMenu* menu = line.parent ? pmClockMenu->findChild<QMenu*>(QLatin1String(line.parent)) : pmClockMenu;
        Q_ASSERT(menu);
        const QString name = line.name ? QString::fromLatin1(line.name) : QString();
        switch (line.entry) {
            case Entry::Submenu: {
                QMenu* sub = menu->addMenu(QString::fromLatin1(line.caption));
                sub->setObjectName(name);
                sub->menuAction()->setObjectName(name);
                break;
            }
            case Entry::Separator: {
                QAction* separator = menu->addSeparator();
                if (line.name) separator->setObjectName(name);
                break;
            }
            case Entry::Item: {
                QAction* item = menu->addAction(QString::fromLatin1(line.caption));
                item->setObjectName(name);
                connect(item, &QAction::triggered, this, guarded([this, command = line.command] { command(*this); }));
                if (name == QLatin1String("miSMTPClockCorr")) miSMTPClockCorr = item;
                break;
            }
        }
    }
}

void TfrmClock::popupClockMenu(const QPoint& globalPos) {
    pmClockMenu->ensurePolished();
    const QSize size = pmClockMenu->sizeHint();
    pmClockMenu->popup(globalPos - QPoint(size.width(), 0));
}

void TfrmClock::pmClockMenuPopup() {
    tmrDayInfoShow->stop();
    if (dayInfo_ && dayInfo_->panelVisible()) dayInfo_->hidePanel();
}

void TfrmClock::contextMenuEvent(QContextMenuEvent* event) { popupClockMenu(event->globalPos()); }

void TfrmClock::miCalculatorClick() {
    if (!startCalculator())
        showMessage(
            FormatMessageText(GetLangMessage(QStringLiteral("NoCalculator")), {toolNames(calculatorCandidates())}),
            QStringLiteral("Ostrel Organizer"), MsgIcon::Information, MsgOk);
}

void TfrmClock::miManualTimeCorrClick() {
    if (!startDateTimeSettings())
        showMessage(FormatMessageText(GetLangMessage(QStringLiteral("NoDateTimeTool")),
                                      {toolNames(dateTimeSettingsCandidates())}),
                    QStringLiteral("Ostrel Organizer"), MsgIcon::Information, MsgOk);
}

void TfrmClock::miSettingClick() { emit settingsRequested(); }

void TfrmClock::miHelpClick() { ShowHelpContents(); }

void TfrmClock::miAboutClick() {
    TfrmAbout about;
    about.exec();
}

void TfrmClock::miExitClick() { close(); }

}  // namespace ostrel
