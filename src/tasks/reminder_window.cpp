#include "tasks/reminder_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QScreen>

#include <algorithm>
#include <vector>

#include "data/reminder_engine.h"
#include "ui/bevel.h"
#include "ui/guarded.h"
#include "ui/languages.h"
#include "ui/locale_format.h"
#include "ui/unit_list.h"

namespace ostrel {

// Each reminder window shown, for whoever watches a running program
// (QT_LOGGING_RULES="ostrel.reminders.info=true").
Q_LOGGING_CATEGORY(lcReminders, "ostrel.reminders", QtWarningMsg)

namespace {

QPointer<QObject> g_answerReceiver;

// The reminder windows open now, for the places they take.
std::vector<QPointer<TfrmToDo>>& openReminders() {
    static std::vector<QPointer<TfrmToDo>> windows;
    return windows;
}

// The lowest place of the stack that no open reminder window takes.
int lowestFreePlace() {
    auto& windows = openReminders();
    windows.erase(std::remove_if(windows.begin(), windows.end(), [](const QPointer<TfrmToDo>& w) { return !w; }),
                  windows.end());
    std::vector<int> taken;
    for (const auto& w : windows)
        if (w->isVisible()) taken.push_back(w->stackPlace());
    int place = 0;
    while (std::find(taken.begin(), taken.end(), place) != taken.end()) ++place;
    return place;
}

QLabel* captionLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    // A style sheet of its own, so the application's skin keeps the colour.
    l->setStyleSheet(QStringLiteral("QLabel { color: rgb(0, 111, 0); }"));
    QFont bold = l->font();
    bold.setBold(true);
    l->setFont(bold);
    // The room up to the value column, with a small gap before it, whatever
    // the language's text (fitCaption).
    Q_UNUSED(left);
    l->setGeometry(4, top, 79 - 4 - 4, l->sizeHint().height());
    return l;
}

// A caption too wide for its room is set a little smaller (down to 7
// points); still too wide, it is cut with an ellipsis and whole in the
// tooltip.
void fitCaption(QLabel* label, const QString& text) {
    QFont font = label->parentWidget()->font();
    font.setBold(true);
    const double base = font.pointSizeF();
    for (double size = base; !(size < 7.0); size -= 0.5) {
        font.setPointSizeF(size);
        if (QFontMetrics(font).horizontalAdvance(text) <= label->width()) break;
    }
    label->setFont(font);
    const QFontMetrics fm(font);
    const bool fits = fm.horizontalAdvance(text) <= label->width();
    label->setText(fits ? text : fm.elidedText(text, Qt::ElideRight, label->width()));
    label->setToolTip(fits ? QString() : text);
}

QLabel* valueLabel(QWidget* parent, const char* name, int left, int top) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(left, top, 239 - left - 4, l->sizeHint().height());
    return l;
}

// Characters of a text that are fitted into a label. Two rows of a label
// narrower than the window never show more (even at 7 points a character is
// wider than a pixel), and measuring a longer text costs time in proportion
// to its length for every size tried: a title of a megabyte would keep the
// reminder from showing for seconds.
constexpr qsizetype kMaxFittedChars = 512;
// Characters of the text kept in the tooltip.
constexpr qsizetype kMaxTooltipChars = 4000;

// Shows text in a label of fixed width on one row of the window (24 pixels
// to the next row). A text too long for the row is set in a smaller font
// (down to 7 points), on one line if it fits or else broken at a blank into
// two lines; only if that fails too is it cut with an ellipsis. The text is
// in the tooltip (the first few thousand characters of a longer one). The
// locale's long date and time are wider than the window in most languages,
// and a cut-off time would hide the very thing the reminder is about. The
// work done is bounded whatever the text's length.
void setFittedText(QLabel* label, const QString& text) {
    constexpr int kRowHeight = 24;
    const int width = label->width();
    const bool cut = text.size() > kMaxFittedChars;
    const QString head = cut ? text.left(kMaxFittedChars) : text;
    QFont font = label->parentWidget()->font();
    const double base = font.pointSizeF();
    QString shown;
    // A cut text is shown cut, in the smallest size, as any text too long.
    if (cut && !(base < 7.0)) font.setPointSizeF(7.0);
    for (double size = base; !cut && !(size < 7.0) && shown.isEmpty(); size -= 0.5) {
        font.setPointSizeF(size);
        const QFontMetrics fm(font);
        if (fm.horizontalAdvance(head) <= width) {
            shown = head;
        } else if (fm.lineSpacing() + fm.ascent() <= kRowHeight) {
            // The last blank that leaves a first line that fits: blanks are
            // tried from the front until the first line gets too wide, so
            // only the blanks within one row are measured.
            qsizetype split = -1;
            for (qsizetype at = head.indexOf(QLatin1Char(' ')); at > 0; at = head.indexOf(QLatin1Char(' '), at + 1)) {
                if (fm.horizontalAdvance(head.left(at)) > width) break;
                split = at;
            }
            if (split > 0 && fm.horizontalAdvance(head.mid(split + 1)) <= width)
                shown = head.left(split) + QLatin1Char('\n') + head.mid(split + 1);
        }
    }
    if (shown.isEmpty()) {
        const QFontMetrics fm(font);
        shown = fm.elidedText(head, Qt::ElideRight, width);
        // A cut text always ends in the ellipsis.
        if (cut && !shown.endsWith(QChar(0x2026))) shown = head.left(head.size() - 1) + QChar(0x2026);
    }
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setText(shown);
    label->resize(width, shown.contains(QLatin1Char('\n')) ? kRowHeight : label->sizeHint().height());
    label->setToolTip(text.size() > kMaxTooltipChars ? text.left(kMaxTooltipChars) + QChar(0x2026) : text);
}

}  // namespace

ReminderAnswers::ReminderAnswers(ReminderEngine& engine, QObject* parent) : QObject(parent), engine_(engine) {
    setObjectName(QStringLiteral("reminderAnswers"));
}

void ReminderAnswers::customEvent(QEvent* event) {
    if (event->type() != kReminderAnswerEvent) {
        QObject::customEvent(event);
        return;
    }
    const auto& answer = *static_cast<TReminderAnswerEvent*>(event);
    runGuarded([&] { HandleReminderAnswer(engine_, answer); });
}

QObject* reminderAnswerReceiver() { return g_answerReceiver; }

void setReminderAnswerReceiver(QObject* receiver) { g_answerReceiver = receiver; }

TfrmToDo::TfrmToDo(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmToDo"));
    setWindowTitle(QStringLiteral("To do..."));
    setProperty("helpContext", 4);
    // Always on top, but appearing does not take the focus from what the
    // user is typing into.
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Destroyed once closed after its answer (see closeEvent).
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(239, 299);
    // The skin's window background, as every other window has.
    setAttribute(Qt::WA_StyledBackground, true);

    lbTitle = captionLabel(this, "lbTitle", QStringLiteral("Title"), 10, 16);
    lblTitle = valueLabel(this, "lblTitle", 79, 16);
    lblTaskTime = captionLabel(this, "lblTaskTime", QStringLiteral("Task time"), 10, 40);
    lbTaskTime = valueLabel(this, "lbTaskTime", 79, 40);
    lbDescript = captionLabel(this, "lbDescript", QStringLiteral("Descript"), 10, 64);

    memDescript = new QPlainTextEdit(this);
    memDescript->setObjectName(QStringLiteral("memDescript"));
    memDescript->setGeometry(79, 64, 156, 103);
    memDescript->setReadOnly(true);
    memDescript->setFrameShape(QFrame::NoFrame);
    // Text to read, not a box to type into: grey, no border, the window's
    // own font (not larger than the title), no text cursor and no stop for
    // Tab (a click still selects, to copy).
    memDescript->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background-color: rgb(232, 232, 232); border: none; padding: 2px; }"
                       "QPlainTextEdit:focus { border: 1px dotted rgb(92, 154, 83); padding: 1px; }"));
    QPalette mp = memDescript->palette();
    mp.setColor(QPalette::Base, QColor(232, 232, 232));
    memDescript->setPalette(mp);
    memDescript->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    memDescript->setFocusPolicy(Qt::ClickFocus);
    memDescript->setTabChangesFocus(true);

    Bevel1 = makeBevel(this, "Bevel1", 5, 174, 227, 3);

    rbDone = new QRadioButton(QStringLiteral("Done"), this);
    rbDone->setObjectName(QStringLiteral("rbDone"));
    rbDone->setGeometry(8, 190, 100, 17);
    rbPostpone = new QRadioButton(QStringLiteral("Postpone at"), this);
    rbPostpone->setObjectName(QStringLiteral("rbPostpone"));
    rbPostpone->setGeometry(8, 214, 112, 17);
    rbDone->setChecked(true);

    sePostpone = new QSpinBox(this);
    sePostpone->setObjectName(QStringLiteral("sePostpone"));
    sePostpone->setGeometry(120, 210, 44, 20);
    sePostpone->setRange(0, kMaxPostpone);
    sePostpone->setSingleStep(1);
    sePostpone->setValue(10);
    sePostpone->setEnabled(false);

    cbPostpone = new QComboBox(this);
    cbPostpone->setObjectName(QStringLiteral("cbPostpone"));
    cbPostpone->setGeometry(166, 210, 68, 21);
    nameUnitsByCount(cbPostpone, sePostpone, {puMinutes, puHours, puDays, puWeeks, puMonths, puYears});
    cbPostpone->setEnabled(false);

    Bevel2 = makeBevel(this, "Bevel2", 4, 246, 227, 3);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(153, 257, 75, 25);

    tmrShow = new QTimer(this);
    tmrShow->setObjectName(QStringLiteral("tmrShow"));
    tmrShow->setInterval(40);

    connect(rbDone, &QRadioButton::toggled, this, &TfrmToDo::rbPostponeClick);
    connect(btnOK, &QPushButton::clicked, this, guarded(this, &TfrmToDo::btnOKClick));
    connect(tmrShow, &QTimer::timeout, this, &TfrmToDo::tmrShowTimer);
    connect(sePostpone, &QSpinBox::valueChanged, this, &TfrmToDo::postponeAmountChanged);
    connect(cbPostpone, &QComboBox::currentIndexChanged, this, &TfrmToDo::postponeAmountChanged);

    FormCreate();
}

TfrmToDo::~TfrmToDo() = default;

void TfrmToDo::FormCreate() {
    TranslateForm(this);
    for (QLabel* caption : {lbTitle, lblTaskTime, lbDescript}) fitCaption(caption, caption->text());
    // The unit list shows every unit's name whole: it grows to the left from
    // the row's right edge, the count beside it, and "Again in" keeps
    // the rest.
    const QRect list = cbPostpone->geometry();
    const int width =
        std::max(list.width(), unitListWidth(cbPostpone, {puMinutes, puHours, puDays, puWeeks, puMonths, puYears}));
    cbPostpone->setGeometry(list.right() + 1 - width, list.top(), width, list.height());
    sePostpone->move(cbPostpone->x() - 2 - sePostpone->width(), sePostpone->y());
    rbPostpone->resize(sePostpone->x() - rbPostpone->x(), rbPostpone->height());
    cbPostpone->setCurrentIndex(0);
}

void TfrmToDo::rbPostponeClick() {
    // Follows the choice rather than flipping, so a click on the choice that
    // is already made cannot put the two out of step.
    const bool postpone = rbPostpone->isChecked();
    sePostpone->setEnabled(postpone);
    cbPostpone->setEnabled(postpone);
}

void TfrmToDo::btnOKClick() {
    if (AnswerPosted) return;
    if (QObject* receiver = reminderAnswerReceiver()) {
        AnswerPosted = true;
        QCoreApplication::postEvent(
            receiver, new TReminderAnswerEvent(this, taskId_, TaskTime, rbPostpone->isChecked(), sePostpone->value(),
                                               periodUnitAtListIndex(cbPostpone->currentIndex())));
    }
}

void TfrmToDo::postponeAsShown() {
    if (AnswerPosted) return;
    rbPostpone->setChecked(true);
    btnOKClick();
}

void TfrmToDo::doneAsShown() {
    if (AnswerPosted) return;
    rbDone->setChecked(true);
    btnOKClick();
}

QString TfrmToDo::doneText() const { return rbDone->text().remove(u'&'); }

QString TfrmToDo::postponeText() const {
    return rbPostpone->text().remove(u'&') + u' ' + QString::number(sePostpone->value()) + u' ' +
           cbPostpone->currentText();
}

void TfrmToDo::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: runGuarded([this] { btnOKClick(); }); return;
        case Qt::Key_Escape: runGuarded([this] { postponeAsShown(); }); return;
        default: QWidget::keyPressEvent(event);
    }
}

void TfrmToDo::closeEvent(QCloseEvent* event) {
    if (Answered || QCoreApplication::closingDown()) {
        event->accept();
        return;
    }
    // Not gone without an answer: it goes away now and comes back by the
    // amount shown; the answer's handler destroys it.
    event->ignore();
    hide();
    runGuarded([this] { postponeAsShown(); });
}

int TfrmToDo::restingLeft() {
    // The whole primary screen, not its work area. A window manager may add
    // its frame only once the window is shown, so this follows the frame's
    // present size.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QSize frame = frameGeometry().size();
    FinalTop = screen.top() + screen.height() - frame.height() - 20 * stackPlace_ - 25;
    return screen.left() + screen.width() - frame.width() - 3;
}

void TfrmToDo::tmrShowTimer() {
    const int left = restingLeft();
    int top = pos().y() - 14;
    if (top < FinalTop) {
        top = FinalTop;
        tmrShow->stop();
    }
    move(left, top);
}

TfrmToDo* ShowReminder(const TTaskParams& params, const QString& caption) {
    auto* w = new TfrmToDo();
    w->setWindowTitle(caption);
    setFittedText(w->lblTitle, params.TaskTitle);
    w->TaskTime = params.TaskTime;
    setFittedText(w->lbTaskTime, formatLongDateTime(params.TaskTime));
    w->memDescript->setPlainText(params.TaskComment);
    w->taskId_ = params.TaskID;
    w->stackPlace_ = lowestFreePlace();
    openReminders().emplace_back(w);

    // Just below the bottom edge of the screen, at its right side.
    const int below = QGuiApplication::primaryScreen()->geometry().bottom() + 1;
    w->move(w->restingLeft(), below);
    w->show();
    w->move(w->restingLeft(), below);
    w->raise();
    w->tmrShow->start();
    qCInfo(lcReminders, "reminder shown: task %d", params.TaskID);
    return w;
}

void HandleReminderAnswer(ReminderEngine& engine, const TReminderAnswerEvent& event) {
    TfrmToDo* w = event.window;
    if (!w) return;
    try {
        if (event.postpone) engine.ApplyReminderAnswer(event.taskId, event.count, event.unit, event.taskTime);
        else engine.MarkReminderDone(event.taskId, event.taskTime);
    } catch (...) {
        // Not applied (a locked database): the reminder stays on the screen
        // to be answered again.
        w->AnswerPosted = false;
        if (!w->isVisible()) w->show();
        throw;
    }
    w->Answered = true;
    w->close();
    delete w;
}

}  // namespace ostrel
