#include "clock/clock_window.h"

#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QPixmap>

#include <cmath>
#include <exception>
#include <optional>

#include "base/language_texts.h"
#include "clock/clock_keys.h"
#include "clock/day_info_link.h"
#include "core/clock/colors.h"
#include "core/time/clock_service.h"
#include "data/task_store.h"
#include "ui/gradient_paint.h"
#include "ui/guarded.h"
#include "ui/locale_format.h"
#include "ui/settings_model.h"

namespace ostrel {

namespace {

// The icon of the notification area: a small green clock face.
QIcon clockIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        const QRectF face(s * 0.06, s * 0.06, s * 0.88, s * 0.88);
        p.setPen(QPen(toQColor(DarkenColor(Color(0xBFFCBA), 60)), qMax(1.0, s / 16)));
        p.setBrush(toQColor(Color(0xBFFCBA)));
        p.drawEllipse(face);
        const QPointF c = face.center();
        p.setPen(QPen(toQColor(Color(0x800000)), qMax(1.5, s / 10), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c, QPointF(c.x(), c.y() - s * 0.30));
        p.drawLine(c, QPointF(c.x() + s * 0.22, c.y() + s * 0.05));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

// The first look for a notification area after start, the looks again while
// the floating clock stands in for the icon, and how many in all (about half
// a minute); how long the first-start balloon stays.
constexpr int kTrayFirstCheckMs = 500;
constexpr int kTrayRecheckMs = 1000;
constexpr int kTrayChecks = 30;
constexpr int kTrayHintMs = 20000;
constexpr int kTrayHintTries = 5;

}  // namespace

void TfrmClock::setUpTrayIcon() {
    // A single left click counts once the double-click time has passed.
    trayClickTimer_ = new QTimer(this);
    trayClickTimer_->setSingleShot(true);
    connect(trayClickTimer_, &QTimer::timeout, this, guarded(this, &TfrmClock::spTrayIcon1Click));
    notificationAreaAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    showTrayMessage = [this](const QString& title, const QString& text) {
        if (!spTrayIcon1) return false;
        if (!QSystemTrayIcon::supportsMessages()) return true;  // nothing to wait for
        // A balloon from an icon not yet docked is lost; a notification
        // area that reports no place for its icons gets it after a few
        // seconds all the same.
        if (spTrayIcon1->geometry().isEmpty() && ++trayHintTries_ < kTrayHintTries) return false;
        spTrayIcon1->showMessage(title, text, QSystemTrayIcon::Information, kTrayHintMs);
        return true;
    };
    tmrTrayWait = new QTimer(this);
    tmrTrayWait->setObjectName(QStringLiteral("tmrTrayWait"));
    tmrTrayWait->setSingleShot(true);
    tmrTrayWait->setInterval(kTrayFirstCheckMs);
    connect(tmrTrayWait, &QTimer::timeout, this, guarded(this, &TfrmClock::checkNotificationArea));
}

void TfrmClock::startNotificationAreaWatch() {
    trayChecksLeft_ = kTrayChecks;
    tmrTrayWait->start();
}

void TfrmClock::checkNotificationArea() {
    const bool available = notificationAreaAvailable();
    if (viewMode_ == vmSysTrayIcon && !available) {
        setViewMode(vmFreeClock);
        trayFallback_ = true;
    } else if (trayFallback_ && available) {
        setViewMode(vmSysTrayIcon);
    }
    const bool hintWaits = viewMode_ == vmSysTrayIcon && available && !showFirstStartHint();
    if ((trayFallback_ || hintWaits) && --trayChecksLeft_ > 0) tmrTrayWait->start(kTrayRecheckMs);
    else tmrTrayWait->stop();
}

bool TfrmClock::showFirstStartHint() {
    SettingsModel& s = settings();
    if (s.value(kGeneralSection, clockKey::trayHintShown).toBool()) return true;
    if (!showTrayMessage(QStringLiteral("Ostrel Organizer"), GetLangMessage(QStringLiteral("TrayFirstStartHint"))))
        return false;
    // Remembered with the view mode (saveView): nothing is written at start.
    s.setValue(kGeneralSection, clockKey::trayHintShown, true);
    return true;
}

QString TfrmClock::trayToolTip() const {
    // The icon shows no time; its tooltip names the day and the minute (so
    // the tick comes once a minute in this mode) and the next reminder of
    // the day.
    const DateTime present = clock().now();
    const QDateTime now = toQDateTime(present);
    QString tip = QStringLiteral("Ostrel Organizer\n") + QLocale::system().toString(now.date(), longDateFormat()) +
                  QLatin1Char(' ') + QLocale::system().toString(now.time(), shortTimeFormat());
    if (!tasks_) return tip;
    // Whole minutes: a task due in this minute is still "next".
    const DateTime minute = std::floor(present * 1440.0 + 1e-9) / 1440.0;
    std::optional<TaskOfDay> next;
    try {
        next = tasks_->nextTaskOfDay(minute);
    } catch (const std::exception&) {
        // A database that cannot be read now: the tooltip is not the place
        // to say so (the reminder pass does), and it must not say it every
        // minute.
        return tip;
    }
    if (next) {
        constexpr qsizetype kMaxTitle = 60;  // a tooltip is a line or two, not the whole title
        QString title = next->title.simplified();
        if (title.size() > kMaxTitle) title = title.left(kMaxTitle - 1) + QChar(0x2026);
        tip += QLatin1Char('\n') +
               FormatMessageText(
                   GetLangMessageOr(QStringLiteral("TrayNextReminder"), QStringLiteral("Next reminder: %s %s")),
                   {QLocale::system().toString(toQDateTime(next->showDT).time(), shortTimeFormat()), title});
    }
    return tip;
}

void TfrmClock::updateTrayToolTip() {
    if (!spTrayIcon1) return;
    const QString tip = trayToolTip();
    if (spTrayIcon1->toolTip() != tip) spTrayIcon1->setToolTip(tip);
}

void TfrmClock::showTrayIcon(bool visible) {
    if (!visible) {
        if (spTrayIcon1) spTrayIcon1->hide();
        return;
    }
    // Made when first shown: a clock on the desktop needs no icon, and
    // making one asks the desktop session for its notification area.
    if (!spTrayIcon1) {
        spTrayIcon1 = new QSystemTrayIcon(clockIcon(), this);
        spTrayIcon1->setObjectName(QStringLiteral("spTrayIcon1"));
        connect(spTrayIcon1, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) { runGuarded([&] { trayIconActivated(reason); }); });
        updateTrayToolTip();
    }
    spTrayIcon1->show();
}

void TfrmClock::trayIconActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            trayClickPos_ = QCursor::pos();
            trayClickTimer_->start(QApplication::doubleClickInterval());
            break;
        case QSystemTrayIcon::DoubleClick: trayClickTimer_->stop(); break;
        case QSystemTrayIcon::Context: popupClockMenu(QCursor::pos()); break;
        default: break;
    }
}

void TfrmClock::spTrayIcon1Click() {
    if (dayInfo_) dayInfo_->showPanel();
}

QRect TfrmClock::trayIconGeometry() const {
    if (!spTrayIcon1 || !spTrayIcon1->isVisible()) return {};
    const QRect icon = spTrayIcon1->geometry();
    if (icon.isValid()) return icon;
    return trayClickPos_.isNull() ? QRect() : QRect(trayClickPos_, QSize(1, 1));
}

}  // namespace ostrel
