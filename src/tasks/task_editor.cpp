#include "tasks/task_editor.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QScreen>

#include <cfenv>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "base/language_texts.h"
#include "core/data/period.h"
#include "core/time/clock_service.h"
#include "data/mes_type.h"
#include "ui/bevel.h"
#include "ui/dialog_service.h"
#include "ui/grid_style.h"
#include "ui/guarded.h"
#include "ui/languages.h"
#include "ui/locale_format.h"
#include "ui/text_boxes.h"
#include "ui/unit_list.h"

namespace ostrel {

TfrmCreateToDo* frmCreateToDo = nullptr;

namespace {

QString refusalCaption() {
    return GetLangCaption(QStringLiteral("AdditionOfNewTask"), QStringLiteral("Addition of new task"));
}

// Labels get the room up to the next control, so a longer translated text
// still shows whole.
QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int width) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(x, y - 2, width, 20);
    return l;
}

// A unit list that names its units in the form its count takes.
QComboBox* unitList(QWidget* parent, const char* name, QSpinBox* count, qsizetype units, int x, int y, int w) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    nameUnitsByCount(c, count, QList<PeriodUnit>{puMinutes, puHours, puDays, puWeeks, puMonths, puYears}.first(units));
    c->setGeometry(x, y, w, 22);
    return c;
}

QSpinBox* countEdit(QWidget* parent, const char* name, int x, int y, int w, int h, int minimum) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(minimum, 999999);
    s->setGeometry(x, y, w, h);
    return s;
}

double roundHalfEven(double x) {
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(x);
    std::fesetround(mode);
    return r;
}

}  // namespace

DelayChoice delayFromDayFraction(double firstDT) {
    const double hour = encodeTime(1, 0, 0);
    const double h = firstDT / hour;
    if (h >= 0.99 && (h - std::floor(h)) < 0.01) return {saturatingRoundToInt(roundHalfEven(h)), true};
    return {saturatingRoundToInt(roundHalfEven(firstDT / encodeTime(0, 1, 0))), false};
}

TfrmCreateToDo::TfrmCreateToDo(TaskStore& tasks, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), tasks_(tasks) {
    setObjectName(QStringLiteral("frmCreateToDo"));
    setProperty("helpContext", 4);
    setFixedSize(309, 370);
    setModal(false);
    setFont(compactFont(font()));

    lbTitle = label(this, "lbTitle", QStringLiteral("Task title"), 14, 13, 64);
    edTitle = new QLineEdit(this);
    edTitle->setObjectName(QStringLiteral("edTitle"));
    edTitle->setGeometry(80, 8, 216, 22);
    // No limit of the field's own: a stored title of any length is edited
    // and saved whole (a line edit would cut it to 32,767 characters).
    edTitle->setMaxLength(std::numeric_limits<int>::max());
    Bevel1 = makeBevel(this, "Bevel1", 9, 38, 292);

    rbAtTime = new QRadioButton(QStringLiteral("At exact time"), this);
    rbAtTime->setObjectName(QStringLiteral("rbAtTime"));
    rbAtTime->setGeometry(9, 52, 102, 22);
    // A time input, not a masked text: 99:99:99 cannot be typed.
    dtpToDoTime = new QTimeEdit(this);
    dtpToDoTime->setObjectName(QStringLiteral("dtpToDoTime"));
    dtpToDoTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    dtpToDoTime->setGeometry(111, 52, 72, 22);
    dtpToDoDate = new QDateEdit(this);
    dtpToDoDate->setObjectName(QStringLiteral("dtpToDoDate"));
    dtpToDoDate->setCalendarPopup(true);
    QString dateFormat = shortDateFormat();
    if (!dateFormat.contains(QLatin1String("yyyy"))) dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    dtpToDoDate->setDisplayFormat(dateFormat);
    dtpToDoDate->setGeometry(190, 52, 107, 22);

    rbAfterWinLoad = new QRadioButton(QStringLiteral("In "), this);
    rbAfterWinLoad->setObjectName(QStringLiteral("rbAfterWinLoad"));
    rbAfterWinLoad->setGeometry(9, 86, 60, 22);
    spAfterWinLoad = countEdit(this, "spAfterWinLoad", 69, 86, 44, 22, 0);
    cbAfterWinLoading = unitList(this, "cbAfterWinLoading", spAfterWinLoad, 2, 116, 86, 74);
    // Two rows when a language needs them (room down to the divider).
    lbAfterWinLoading = label(this, "lbAfterWinLoading", QStringLiteral("after windows loading"), 194, 89, 113);
    lbAfterWinLoading->setWordWrap(true);
    lbAfterWinLoading->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbAfterWinLoading->setGeometry(194, 84, 113, 38);
    Bevel3 = makeBevel(this, "Bevel3", 10, 126, 291);

    chbRepeatEvery = new QCheckBox(QStringLiteral("Repeat every"), this);
    chbRepeatEvery->setObjectName(QStringLiteral("chbRepeatEvery"));
    chbRepeatEvery->setGeometry(9, 139, 140, 22);
    seRepeatEvery = countEdit(this, "seRepeatEvery", 149, 139, 50, 22, 1);
    cbRepeatEvery = unitList(this, "cbRepeatEvery", seRepeatEvery, 6, 203, 139, 85);
    Bevel2 = makeBevel(this, "Bevel2", 10, 176, 291);

    lbIfMess = label(this, "lbIfMess", QStringLiteral("If message can`t shown for any reason "), 13, 184, 292);
    lbDontShow = label(this, "lbDontShow", QStringLiteral("don`t show one after"), 13, 206, 153);
    seActiveTime = countEdit(this, "seActiveTime", 168, 202, 46, 22, 0);
    cbActiveTime = unitList(this, "cbActiveTime", seActiveTime, 3, 217, 202, 85);

    lbDescription = label(this, "lbDescription", QStringLiteral("Description"), 14, 238, 200);
    memComment = new QPlainTextEdit(this);
    memComment->setObjectName(QStringLiteral("memComment"));
    memComment->setGeometry(4, 255, 300, 70);
    setUpDescriptionBox(memComment);
    // A short description: Tab goes on to the buttons.
    memComment->setTabChangesFocus(true);

    bbOK = new QPushButton(QStringLiteral("OK"), this);
    bbOK->setObjectName(QStringLiteral("bbOK"));
    bbOK->setGeometry(151, 333, 70, 26);
    bbOK->setDefault(true);
    bbCancel = new QPushButton(QStringLiteral("Cancel"), this);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));
    bbCancel->setGeometry(225, 333, 70, 26);

    connect(rbAtTime, &QRadioButton::toggled, this, &TfrmCreateToDo::rbAfterWinLoadClick);
    connect(rbAfterWinLoad, &QRadioButton::toggled, this, &TfrmCreateToDo::rbAfterWinLoadClick);
    connect(chbRepeatEvery, &QCheckBox::toggled, this, &TfrmCreateToDo::chbRepeatEveryClick);
    connect(bbOK, &QPushButton::clicked, this, guarded([this] { bbOKClick(); }));
    connect(bbCancel, &QPushButton::clicked, this, &TfrmCreateToDo::bbCancelClick);

    rbAtTime->setChecked(true);
    seActiveTime->setValue(1);
    cbActiveTime->setCurrentIndex(1);
    setEnabledStates();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
}

void TfrmCreateToDo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TfrmCreateToDo::FormShow() {
    // The prompt is a placeholder: it shows in the empty field and is never
    // taken for a title.
    edTitle->clear();
    edTitle->setPlaceholderText(GetLangMessage(QStringLiteral("InputTitleOfAction")) + QStringLiteral("..."));
    edTitle->setFocus();
    const QDateTime now = toQDateTime(clock().now());
    dtpToDoTime->setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    dtpToDoDate->setDate(now.date());
    shownDefaultDue_ = fieldsDue();
    spAfterWinLoad->setValue(30);
    cbAfterWinLoading->setCurrentIndex(0);
    cbRepeatEvery->setCurrentIndex(0);
    seRepeatEvery->setValue(30);
}

void TfrmCreateToDo::OpenForNewTask() {
    show();
    raise();
    activateWindow();
    setWindowTitle(GetLangMessage(QStringLiteral("NewToDo")) + QStringLiteral("..."));
    taskId_ = 0;
    memComment->clear();
    seActiveTime->setValue(1);
    cbActiveTime->setCurrentIndex(1);
    rbAtTime->setChecked(true);
    chbRepeatEvery->setChecked(false);
    setEnabledStates();
}

void TfrmCreateToDo::OpenForNewTaskOn(DateTime day) {
    OpenForNewTask();
    dtpToDoDate->setDate(toQDateTime(day).date());
}

void TfrmCreateToDo::OpenForTask(int taskId) {
    show();
    raise();
    activateWindow();
    setWindowTitle(GetLangMessage(QStringLiteral("EditTask")) + QStringLiteral("..."));

    const TaskRow task = tasks_.task(taskId);
    taskId_ = task.TDID;
    edTitle->setText(task.Title);
    memComment->setPlainText(task.Comment);
    if (!isAfterStart(task.mesType)) {
        rbAtTime->setChecked(true);
        const QDateTime due = toQDateTime(task.ShowDT);
        dtpToDoDate->setDate(due.date());
        dtpToDoTime->setTime(QTime(due.time().hour(), due.time().minute(), due.time().second()));
    } else {
        rbAfterWinLoad->setChecked(true);
        const DelayChoice delay = delayFromDayFraction(task.FirstDT);
        spAfterWinLoad->setValue(delay.count);
        cbAfterWinLoading->setCurrentIndex(delay.hours ? 1 : 0);
    }
    chbRepeatEvery->setChecked(task.PeriodInt > 0);
    if (task.PeriodInt > 0) {
        seRepeatEvery->setValue(static_cast<int>(task.PeriodInt));
        cbRepeatEvery->setCurrentIndex(listIndexOfPeriodUnit(task.PeriodType));
    }
    seActiveTime->setValue(static_cast<int>(task.ElapseInt));
    cbActiveTime->setCurrentIndex(listIndexOfPeriodUnit(task.ElapseType));
    setEnabledStates();
    showLineEditsFromStart(this);
}

void TfrmCreateToDo::setEnabledStates() {
    const bool atTime = rbAtTime->isChecked();
    dtpToDoTime->setEnabled(atTime);
    dtpToDoDate->setEnabled(atTime);
    spAfterWinLoad->setEnabled(!atTime);
    cbAfterWinLoading->setEnabled(!atTime);
    lbAfterWinLoading->setEnabled(!atTime);
    seRepeatEvery->setEnabled(chbRepeatEvery->isChecked());
    cbRepeatEvery->setEnabled(chbRepeatEvery->isChecked());
}

void TfrmCreateToDo::rbAfterWinLoadClick() { setEnabledStates(); }

void TfrmCreateToDo::chbRepeatEveryClick() { setEnabledStates(); }

double TfrmCreateToDo::timeFieldValue() const {
    const QTime t = dtpToDoTime->time();
    return encodeTime(t.hour(), t.minute(), t.second());
}

double TfrmCreateToDo::fieldsDue() const {
    const QDate d = dtpToDoDate->date();
    return encodeDate(d.year(), d.month(), d.day()) + timeFieldValue();
}

bool TfrmCreateToDo::bbOKClick() {
    if (edTitle->text().trimmed().isEmpty()) {
        showMessage(GetLangMessage(QStringLiteral("InputTaskTitle")), refusalCaption(), MsgIcon::Warning, MsgOk, this);
        return false;
    }
    const bool atTime = rbAtTime->isChecked();
    double due = 0.0;
    if (atTime) {
        due = fieldsDue();
        // The time field has whole seconds: a task at the present second
        // is not in the past. The time the window opened with, untouched,
        // passes too (it is due at once).
        const double present = std::floor(clock().now() * kSecondsPerDay + 1e-6) / kSecondsPerDay;
        if (taskId_ == 0 && due < present && due != shownDefaultDue_) {
            showMessage(GetLangMessage(QStringLiteral("TimeOfTaskIsLessThanNow")), refusalCaption(), MsgIcon::Warning,
                        MsgOk, this);
            return false;
        }
    }

    TaskRow row;
    row.TDID = taskId_;
    if (atTime) {
        row.FirstDT = due;
        row.ShowDT = row.FirstDT;
    } else {
        row.mesType = mtOnceAfterStart;
        row.FirstDT = spAfterWinLoad->value() / 24.0;
        if (cbAfterWinLoading->currentIndex() == 0) row.FirstDT = row.FirstDT / 60.0;
        row.ShowDT = row.FirstDT + clock().bootTime();
        // That moment of this session is over, and so is the active time
        // after it: no reminder until the system starts again. Said before
        // saving, so the user can choose a shorter delay or an exact time.
        const double end =
            AddPeriod(periodUnitAtListIndex(cbActiveTime->currentIndex()), seActiveTime->value(), row.ShowDT);
        if (end < clock().now() && showMessage(FormatMessageText(GetLangMessage(QStringLiteral("AfterStartPassed")),
                                                                 {formatShortDateTime(clock().bootTime())}),
                                               windowTitle(), MsgIcon::Question, MsgYes | MsgNo, this) != MsgYes)
            return false;
    }
    const bool repeat = chbRepeatEvery->isChecked();
    row.Title = edTitle->text();
    row.Comment = memComment->toPlainText();
    row.PeriodInt = repeat ? seRepeatEvery->value() : 0;
    row.PeriodType = repeat ? periodUnitAtListIndex(cbRepeatEvery->currentIndex()) : puNone;
    row.ElapseInt = seActiveTime->value();
    row.ElapseType = periodUnitAtListIndex(cbActiveTime->currentIndex());
    // The list and the reminder engine follow the store's announcements.
    if (taskId_ == 0) tasks_.insertTask(row);
    else tasks_.updateTask(row);
    hide();
    return true;
}

void TfrmCreateToDo::bbCancelClick() { hide(); }

void TfrmCreateToDo::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        bbCancelClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace ostrel
