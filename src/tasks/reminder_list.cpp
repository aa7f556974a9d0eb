#include "tasks/reminder_list.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLoggingCategory>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

#include "data/reminder_engine.h"
#include "tasks/reminder_window.h"
#include "ui/guarded.h"
#include "ui/languages.h"
#include "ui/locale_format.h"
#include "ui/unit_list.h"

namespace ostrel {

Q_DECLARE_LOGGING_CATEGORY(lcReminders)

namespace {

QPointer<ReminderListWindow> g_list;

// Characters of a title shown in its cell (the cell elides the rest; the
// tooltip holds a little more), so a huge title costs no time.
constexpr qsizetype kMaxCellChars = 256;
constexpr qsizetype kMaxTooltipChars = 4000;

QString cut(const QString& text, qsizetype max) { return text.size() > max ? text.left(max) + QChar(0x2026) : text; }

}  // namespace

ReminderListWindow::ReminderListWindow(ReminderEngine& engine, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      engine_(engine) {
    setObjectName(QStringLiteral("frmReminderList"));
    // The skin's window background, as every other window has.
    setAttribute(Qt::WA_StyledBackground, true);
    setWindowTitle(QStringLiteral("More reminders"));
    setProperty("helpContext", 4);
    // Like a reminder window: on top, without taking the focus.
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(520, 320);

    lbInfo = new QLabel(QStringLiteral("These reminders are due as well:"), this);
    lbInfo->setObjectName(QStringLiteral("lbInfo"));

    grReminders = new QTableWidget(0, 3, this);
    grReminders->setObjectName(QStringLiteral("grReminders"));
    grReminders->setHorizontalHeaderLabels(
        {QStringLiteral("Title"), QStringLiteral("Task time"), QStringLiteral("Reminder")});
    grReminders->setSelectionBehavior(QAbstractItemView::SelectRows);
    grReminders->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grReminders->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grReminders->setWordWrap(false);
    grReminders->setTextElideMode(Qt::ElideRight);
    grReminders->verticalHeader()->hide();
    grReminders->verticalHeader()->setDefaultSectionSize(grReminders->fontMetrics().height() + 6);
    grReminders->horizontalHeader()->setStretchLastSection(true);
    grReminders->setColumnWidth(0, 190);
    grReminders->setColumnWidth(1, 170);

    rbDone = new QRadioButton(QStringLiteral("Done"), this);
    rbDone->setObjectName(QStringLiteral("rbDone"));
    rbDone->setChecked(true);
    rbPostpone = new QRadioButton(QStringLiteral("Again in"), this);
    rbPostpone->setObjectName(QStringLiteral("rbPostpone"));
    sePostpone = new QSpinBox(this);
    sePostpone->setObjectName(QStringLiteral("sePostpone"));
    sePostpone->setRange(0, TfrmToDo::kMaxPostpone);
    sePostpone->setValue(10);
    sePostpone->setEnabled(false);
    cbPostpone = new QComboBox(this);
    cbPostpone->setObjectName(QStringLiteral("cbPostpone"));
    nameUnitsByCount(cbPostpone, sePostpone, {puMinutes, puHours, puDays, puWeeks, puMonths, puYears});
    cbPostpone->setEnabled(false);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setEnabled(false);

    auto* answer = new QHBoxLayout;
    answer->addWidget(rbDone);
    answer->addSpacing(12);
    answer->addWidget(rbPostpone);
    answer->addWidget(sePostpone);
    answer->addWidget(cbPostpone);
    answer->addStretch(1);
    answer->addWidget(btnOK);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(lbInfo);
    layout->addWidget(grReminders, 1);
    layout->addLayout(answer);

    connect(rbPostpone, &QRadioButton::toggled, this, &ReminderListWindow::choiceChanged);
    connect(grReminders, &QTableWidget::itemSelectionChanged, this, &ReminderListWindow::selectionChanged);
    connect(btnOK, &QPushButton::clicked, this, guarded(this, &ReminderListWindow::btnOKClick));

    TranslateForm(this);
    cbPostpone->setCurrentIndex(0);
}

void ReminderListWindow::choiceChanged() {
    const bool postpone = rbPostpone->isChecked();
    sePostpone->setEnabled(postpone);
    cbPostpone->setEnabled(postpone);
}

void ReminderListWindow::selectionChanged() {
    btnOK->setEnabled(!grReminders->selectionModel()->selectedRows().isEmpty());
}

int ReminderListWindow::taskIdAt(int row) const { return grReminders->item(row, 0)->data(Qt::UserRole).toInt(); }

DateTime ReminderListWindow::taskTimeAt(int row) const {
    return grReminders->item(row, 0)->data(Qt::UserRole + 1).toDouble();
}

void ReminderListWindow::addReminder(const TTaskParams& params, const QString& caption) {
    for (int row = 0; row < grReminders->rowCount(); ++row)
        if (taskIdAt(row) == params.TaskID && taskTimeAt(row) == params.TaskTime) return;
    const int row = grReminders->rowCount();
    grReminders->insertRow(row);
    QString title = cut(params.TaskTitle, kMaxCellChars);
    title.replace(QLatin1Char('\n'), QLatin1Char(' '));
    auto* titleItem = new QTableWidgetItem(title);
    titleItem->setData(Qt::UserRole, params.TaskID);
    titleItem->setData(Qt::UserRole + 1, params.TaskTime);
    QString tip = cut(params.TaskTitle, kMaxTooltipChars);
    if (!params.TaskComment.isEmpty()) tip += QStringLiteral("\n\n") + cut(params.TaskComment, kMaxTooltipChars);
    titleItem->setToolTip(tip);
    grReminders->setItem(row, 0, titleItem);
    grReminders->setItem(row, 1, new QTableWidgetItem(formatLongDateTime(params.TaskTime)));
    grReminders->setItem(row, 2, new QTableWidgetItem(caption));
    if (grReminders->selectionModel()->selectedRows().isEmpty()) grReminders->selectRow(0);
    qCInfo(lcReminders, "reminder listed: task %d", params.TaskID);
}

void ReminderListWindow::btnOKClick() {
    const bool postpone = rbPostpone->isChecked();
    const int count = sePostpone->value();
    const PeriodUnit unit = periodUnitAtListIndex(cbPostpone->currentIndex());
    // From the last row up, so the rows still to do keep their numbers.
    QList<int> rows;
    for (const QModelIndex& index : grReminders->selectionModel()->selectedRows()) rows.append(index.row());
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (const int row : rows) {
        if (postpone) engine_.ApplyReminderAnswer(taskIdAt(row), count, unit, taskTimeAt(row));
        else engine_.MarkReminderDone(taskIdAt(row), taskTimeAt(row));
        grReminders->removeRow(row);
    }
    if (grReminders->rowCount() == 0) {
        close();
        deleteLater();
    } else if (grReminders->selectionModel()->selectedRows().isEmpty()) {
        grReminders->selectRow(std::min(rows.isEmpty() ? 0 : rows.back(), grReminders->rowCount() - 1));
    }
}

void ReminderListWindow::placeOnScreen() {
    // Bottom right of the primary screen, left of the column the reminder
    // windows slide up in.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QSize frame = frameGeometry().size();
    const int reminderColumn = 239 + 3 + 12;
    move(std::max(screen.left(), screen.right() + 1 - reminderColumn - frame.width()),
         std::max(screen.top(), screen.bottom() + 1 - frame.height() - 25));
}

int openReminderWindowCount() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<TfrmToDo*>(w) && w->isVisible()) ++n;
    return n;
}

ReminderListWindow* reminderListWindow() { return g_list; }

TfrmToDo* ShowReminderOrList(ReminderEngine& engine, const TTaskParams& params, const QString& caption) {
    if (openReminderWindowCount() < kMaxReminderWindows) return ShowReminder(params, caption);
    if (!g_list) {
        g_list = new ReminderListWindow(engine);
        g_list->setAttribute(Qt::WA_DeleteOnClose);
    }
    const bool first = !g_list->isVisible();
    g_list->addReminder(params, caption);
    if (first) {
        g_list->show();
        g_list->placeOnScreen();
        g_list->raise();
    }
    return nullptr;
}

}  // namespace ostrel
