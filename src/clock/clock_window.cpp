#include "clock/clock_window.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMouseEvent>

#include <cstdlib>

#include "app/forms.h"
#include "core/time/clock_service.h"
#include "data/data_module.h"
#include "tasks/reminder_window.h"
#include "ui/error_display.h"
#include "ui/locale_format.h"

namespace ostrel {

TfrmClock::TfrmClock(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmClock"));
    setWindowTitle(QStringLiteral("Ostrel Organizer"));
    resize(131, 97);

    lbClock = new QLabel(this);
    lbClock->setObjectName(QStringLiteral("lbClock"));
    lbClock->setAlignment(Qt::AlignCenter);
    lbClock->setAttribute(Qt::WA_TransparentForMouseEvents);

    pmClockMenu = new QMenu(this);
    pmClockMenu->setObjectName(QStringLiteral("pmClockMenu"));
    miExit = pmClockMenu->addAction(QStringLiteral("Exit"));
    miExit->setObjectName(QStringLiteral("miExit"));
    connect(miExit, &QAction::triggered, this, &TfrmClock::miExitClick);

    tmrTime = new QTimer(this);
    tmrTime->setObjectName(QStringLiteral("tmrTime"));
    tmrTime->setInterval(1000);
    connect(tmrTime, &QTimer::timeout, this, &TfrmClock::tmrTimeTimer);
    tmrTime->start();

    tmrTimeTimer();
}

TfrmClock::~TfrmClock() = default;

void TfrmClock::tmrTimeTimer() {
    const QString text = formatLongTime(clock().now());
    lbClock->setText(text);
    const QFontMetrics fm(lbClock->font());
    const int wanted = fm.horizontalAdvance(text) + HorisSpace + 6;
    if (std::abs(wanted - width()) > 5) resize(wanted, fm.height() + VertSpace + 1);
    lbClock->setGeometry(rect());

    // Reminder pass, when one is due. The timer is off for the pass; if a
    // statement fails the timer runs again, the error goes to the default
    // error display, and the next attempt waits a minute rather than failing
    // every second.
    if (DataModule1 && !DataModule1->InReminderPass() && clock().now() > DataModule1->NextReminderTime) {
        tmrTime->stop();
        try {
            std::uint8_t CascadeIndex = 0;
            DataModule1->CheckOnceTasks(CascadeIndex);
            DataModule1->CheckRegularTasks(CascadeIndex, false);
            DataModule1->UpdateNextReminderTime();
        } catch (...) {
            DataModule1->NextReminderTime = clock().now() + 60.0 / kSecondsPerDay;
            tmrTime->start();
            throw;
        }
        tmrTime->start();
    }
}

void TfrmClock::bringToFront() {
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

void TfrmClock::miExitClick() {
    close();
}

void TfrmClock::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

void TfrmClock::customEvent(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(WM_REMINDER_ANSWER)) {
        HandleReminderAnswer(*static_cast<TReminderAnswerEvent*>(event));
        return;
    }
    QWidget::customEvent(event);
}

void TfrmClock::contextMenuEvent(QContextMenuEvent* event) {
    const QSize size = pmClockMenu->sizeHint();
    pmClockMenu->popup(event->globalPos() - QPoint(size.width(), 0));
}

void TfrmClock::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging_ = true;
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QWidget::mousePressEvent(event);
}

void TfrmClock::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) move(event->globalPosition().toPoint() - dragOffset_);
    QWidget::mouseMoveEvent(event);
}

}  // namespace ostrel
