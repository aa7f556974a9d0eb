#include "clock/clock_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/app_paths.h"
#include "clock/about_box.h"
#include "clock/analog_face.h"
#include "clock/day_info_link.h"
#include "ui/gradient_paint.h"
#include "clock/tray_clock.h"
#include "core/clock/clock_layout.h"
#include "core/clock/colors.h"
#include "core/time/clock_service.h"
#include "data/data_module.h"
#include "platform/clock_change_watcher.h"
#include "platform/desktop_tools.h"
#include "settings/settings_dialog.h"
#include "ui/app_commands.h"
#include "ui/dialog_service.h"
#include "ui/error_display.h"
#include "ui/guarded.h"
#include "ui/help_link.h"
#include "ui/locale_format.h"

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
        p.setPen(QPen(toQColor(DarkenColor(0xBFFCBA, 60)), qMax(1.0, s / 16)));
        p.setBrush(toQColor(0xBFFCBA));
        p.drawEllipse(face);
        const QPointF c = face.center();
        p.setPen(QPen(toQColor(0x800000), qMax(1.5, s / 10), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c, QPointF(c.x(), c.y() - s * 0.30));
        p.drawLine(c, QPointF(c.x() + s * 0.22, c.y() + s * 0.05));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

// Whether a time format shows seconds (an "s" outside quoted text).
bool formatShowsSeconds(const QString& format) {
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        else if (!quoted && c == QLatin1Char('s')) return true;
    }
    return false;
}

// Milliseconds past midnight of a date-time (never negative).
qint64 msOfDay(DateTime dt) {
    const double ms = std::floor(timePart(dt) * kMsPerDay + 0.5);
    return std::clamp<qint64>(static_cast<qint64>(ms), 0, qint64(kMsPerDay) - 1);
}

// The tick comes this long after the boundary, so that the clock service
// surely reads the new second.
constexpr int kTickLateMs = 2;

// Re-arms the tick when the clock window is shown or hidden.
class TickVisibilityFilter : public QObject {
public:
    TickVisibilityFilter(TfrmClock* clock) : QObject(clock), clock_(clock) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == clock_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
            runGuarded([this] { clock_->scheduleTick(); });
        return false;
    }

private:
    TfrmClock* clock_;
};

}  // namespace

void ArrowsBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintAnalogHands(p, *this);
}

TfrmClock::TfrmClock(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmClock"));
    setProperty("helpContext", 1);
    setWindowTitle(QStringLiteral("Ostrel Organizer"));
    // Borderless, no taskbar button.
    applyWindowFlags();
    resize(131, 97);
    installPaletteColorResolver();

    imgAnalogClock = new QLabel(this);
    imgAnalogClock->setObjectName(QStringLiteral("imgAnalogClock"));
    imgAnalogClock->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgAnalogClock->setAttribute(Qt::WA_TransparentForMouseEvents);

    pbArrows = new ArrowsBox(this);
    pbArrows->setObjectName(QStringLiteral("pbArrows"));
    pbArrows->setAttribute(Qt::WA_TransparentForMouseEvents);

    lbClock = new QLabel(this);
    lbClock->setObjectName(QStringLiteral("lbClock"));
    lbClock->setAlignment(Qt::AlignCenter);
    lbClock->setAttribute(Qt::WA_TransparentForMouseEvents);
    lbClock->setAutoFillBackground(false);

    buildMenu();

    spTrayIcon1 = new QSystemTrayIcon(clockIcon(), this);
    spTrayIcon1->setObjectName(QStringLiteral("spTrayIcon1"));
    connect(spTrayIcon1, &QSystemTrayIcon::activated, this, &TfrmClock::trayIconActivated);
    // A single left click counts once the double-click time has passed.
    trayClickTimer_ = new QTimer(this);
    trayClickTimer_->setSingleShot(true);
    connect(trayClickTimer_, &QTimer::timeout, this, &TfrmClock::spTrayIcon1Click);

    // The tick: single-shot, armed again by each tick for just after the
    // next change the clock shows.
    tmrTime = new QTimer(this);
    tmrTime->setObjectName(QStringLiteral("tmrTime"));
    tmrTime->setSingleShot(true);
    tmrTime->setTimerType(Qt::PreciseTimer);
    tmrTime->setInterval(1000);
    connect(tmrTime, &QTimer::timeout, this, guarded(this, &TfrmClock::tmrTimeTimer));
    tmrTime->start();
    installEventFilter(new TickVisibilityFilter(this));
    // The reminder gate waits on its own timer; a clock jump re-checks both.
    if (DataModule1)
        connect(DataModule1, &TDataModule1::reminderPassDue, this, guarded(this, &TfrmClock::runReminderPassIfDue));
    clockWatcher = new ClockChangeWatcher(this);
    connect(clockWatcher, &ClockChangeWatcher::clockChanged, this, guarded(this, &TfrmClock::clockChanged));

    tmrDayInfoShow = new QTimer(this);
    tmrDayInfoShow->setObjectName(QStringLiteral("tmrDayInfoShow"));
    tmrDayInfoShow->setInterval(1000);
    tmrDayInfoShow->setSingleShot(false);
    connect(tmrDayInfoShow, &QTimer::timeout, this, &TfrmClock::tmrDayInfoShowTimer);

    leftButtonDown = [] { return (QGuiApplication::mouseButtons() & Qt::LeftButton) != 0; };
    notificationAreaAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    tmrTrayWait = new QTimer(this);
    tmrTrayWait->setSingleShot(true);
    tmrTrayWait->setInterval(10000);  // a panel may start after us at login
    connect(tmrTrayWait, &QTimer::timeout, this, &TfrmClock::checkNotificationArea);

    // The session manager asks the program to save before the session ends.
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(gui, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { endSession(); });

    // The settings dialog lives as long as the program; loading the settings
    // switches into the stored view mode and applies font, colour and spacing.
    frmSettings = new TfrmSettings(this);
    frmSettings->LoadSettings();

    tmrTimeTimer();
    loadSkin();
    creating_ = false;
    if (ViewMode == vmSysTrayIcon) tmrTrayWait->start();
}

void TfrmClock::checkNotificationArea() {
    if (ViewMode != vmSysTrayIcon || notificationAreaAvailable()) return;
    if (frmSettings && frmSettings->rbFreeClock) frmSettings->rbFreeClock->setChecked(true);
}

TfrmClock::~TfrmClock() {
    if (frmSettings) {
        try {
            frmSettings->SaveSettings(true);
        } catch (...) {
            showCurrentError();
        }
        delete frmSettings;
        frmSettings = nullptr;
    }
    if (hClockWindow == this) RemoveTrayClock();
}

void TfrmClock::applyWindowFlags() {
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint;
    if (ViewMode == vmFreeClock || ViewMode == vmAnalogClock || ViewMode == vmSysTrayClock)
        flags |= Qt::WindowStaysOnTopHint;
    if (windowFlags() == flags) return;
    const bool wasVisible = isVisible();
    setWindowFlags(flags);
    if (wasVisible) show();
}

void TfrmClock::setColor(const QColor& c) {
    color_ = c;
    update();
}

void TfrmClock::setClockFont(const QFont& font, const QColor& fontColor) {
    setFont(font);
    lbClock->setFont(font);
    QPalette pal = lbClock->palette();
    pal.setColor(QPalette::WindowText, fontColor);
    lbClock->setPalette(pal);
}

void TfrmClock::setClockVisible(bool visible) {
    if (creating_) {
        showOnStart_ = visible;
        return;
    }
    setVisible(visible);
}

void TfrmClock::loadSkin() {
    QFile skin(skinFilePath());
    QByteArray sheet;
    bool ok = skin.open(QIODevice::ReadOnly);
    if (ok) {
        sheet = skin.readAll();
        ok = skin.error() == QFileDevice::NoError;
    }
    if (!ok) {
        skinFailed_ = true;
        showMessage(QStringLiteral("Erron on load application. Cannot find %1 file\r\nTry to run application one "
                                   "time more or reinstall it.")
                        .arg(QStringLiteral("skin")),
                    QStringLiteral("Ostrel Organizer"), MsgIcon::Warning, MsgOk);
        requestTerminate();
        return;
    }
    if (qApp) qApp->setStyleSheet(QString::fromUtf8(sheet));
}

void TfrmClock::tmrTimeTimer() {
    if (ViewMode == vmSysTrayClock || ViewMode == vmFreeClock) {
        const QString text = formatLongTime(clock().now());
        lbClock->setText(text);
        const QFontMetrics fm(lbClock->font());
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect full = screen ? screen->geometry() : QRect(0, 0, 1280, 1024);
        const QRect g = geometry();
        if (const auto r = TickGeometry({g.x(), g.y(), g.width(), g.height()}, fm.horizontalAdvance(text),
                                        fm.height(), HorisSpace, VertSpace, full.width(), full.height()))
            setGeometry(r->left, r->top, r->width, r->height);
        if (ViewMode == vmSysTrayClock) UpdateTrayClock();
        QCoreApplication::processEvents();
    } else if (ViewMode == vmAnalogClock) {
        pbArrows->repaint();
    }

    if (ViewMode == vmSysTrayIcon) {
        // The icon shows no time; its tooltip names the day and the minute
        // (so the tick comes once a minute in this mode).
        const QDateTime now = toQDateTime(clock().now());
        const QString tip = QStringLiteral("Ostrel Organizer\n") +
                            QLocale::system().toString(now.date(), longDateFormat()) + QLatin1Char(' ') +
                            QLocale::system().toString(now.time(), QLocale::ShortFormat);
        if (spTrayIcon1->toolTip() != tip) spTrayIcon1->setToolTip(tip);
    }
    scheduleTick();
    runReminderPassIfDue();
}

int TfrmClock::scheduleTick() {
    int period = 0;
    if (ViewMode == vmSysTrayIcon)
        period = 60000;  // the icon's tooltip
    else if (!isVisible())
        period = 0;
    else if (ViewMode == vmAnalogClock || formatShowsSeconds(longTimeFormat()))
        period = 1000;
    else
        period = 60000;
    if (period == 0) {
        tmrTime->stop();
        return -1;
    }
    const qint64 ms = msOfDay(clock().now());
    const int delay = static_cast<int>(period - ms % period) + kTickLateMs;
    tmrTime->start(delay);
    return delay;
}

void TfrmClock::runReminderPassIfDue() {
    // Reminder pass, when one is due. The tick is off for the pass; if a
    // statement fails the tick runs again, the error goes to the default
    // error display, and the next attempt waits a minute rather than failing
    // every second.
    if (DataModule1 && DataModule1->ReminderPassDue()) {
        tmrTime->stop();
        struct Restart {
            TfrmClock* clock;
            ~Restart() { clock->scheduleTick(); }
        } restart{this};
        DataModule1->RunTickPass();
    }
}

void TfrmClock::clockChanged() {
    tmrTimeTimer();
    if (DataModule1) DataModule1->ClockChanged();
}

void TfrmClock::bringToFront() {
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

void TfrmClock::popupClockMenu(const QPoint& globalPos) {
    pmClockMenu->ensurePolished();
    const QSize size = pmClockMenu->sizeHint();
    pmClockMenu->popup(globalPos - QPoint(size.width(), 0));
}

void TfrmClock::tmrDayInfoShowTimer() {
    tmrDayInfoShow->stop();
    if (!leftButtonDown() && dayInfo_) dayInfo_->showPanel();
}

void TfrmClock::pmClockMenuPopup() {
    tmrDayInfoShow->stop();
    if (dayInfo_ && dayInfo_->panelVisible()) dayInfo_->hidePanel();
}

void TfrmClock::spTrayIcon1Click() {
    if (dayInfo_) dayInfo_->showPanel();
}

void TfrmClock::trayIconActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            trayClickTimer_->start(QApplication::doubleClickInterval());
            break;
        case QSystemTrayIcon::DoubleClick:
            trayClickTimer_->stop();
            break;
        case QSystemTrayIcon::Context:
            popupClockMenu(QCursor::pos());
            break;
        default:
            break;
    }
}

void TfrmClock::endSession() {
    // An open contact editor must not refuse to close now (also when the
    // settings cannot be saved).
    emit sessionEnding();
    if (frmSettings) frmSettings->SaveSettings(true);
}

// ---- the clock menu --------------------------------------------------------

void TfrmClock::buildMenu() {
    pmClockMenu = new QMenu(this);
    pmClockMenu->setObjectName(QStringLiteral("pmClockMenu"));
    connect(pmClockMenu, &QMenu::aboutToShow, this, &TfrmClock::pmClockMenuPopup);

    auto item = [this](QMenu* menu, const char* name, const char* caption, void (TfrmClock::*handler)()) {
        QAction* a = menu->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, guarded(this, handler));
        return a;
    };
    auto separator = [](QMenu* menu, const char* name) {
        QAction* a = menu->addSeparator();
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    auto submenu = [](QMenu* menu, const char* name, const char* caption) {
        QMenu* sub = menu->addMenu(QString::fromLatin1(caption));
        sub->setObjectName(QString::fromLatin1(name));
        sub->menuAction()->setObjectName(QString::fromLatin1(name));
        return sub;
    };

    miCreate = submenu(pmClockMenu, "miCreate", "Create");
    miToDo = item(miCreate, "miToDo", "To do", &TfrmClock::miToDoClick);
    miHoliday = item(miCreate, "miHoliday", "Holiday", &TfrmClock::miHolidayClick);
    miView = submenu(pmClockMenu, "miView", "View");
    miViewToDoList = item(miView, "miViewToDoList", "To do list", &TfrmClock::miViewToDoListClick);
    miSchedule = item(miView, "miSchedule", "Schedule", &TfrmClock::miScheduleClick);
    Holydayslist1 = item(miView, "Holydayslist1", "Holidays list", &TfrmClock::Holydayslist1Click);
    miAddresBook = item(miView, "miAddresBook", "Address book", &TfrmClock::miAddresBookClick);
    N1 = separator(pmClockMenu, "N1");
    miCalculator = item(pmClockMenu, "miCalculator", "Calculator", &TfrmClock::miCalculatorClick);
    miPocketBook = item(pmClockMenu, "miPocketBook", "Pocket-book", &TfrmClock::miPocketBookClick);
    miTimeCorrection = submenu(pmClockMenu, "miTimeCorrection", "Time correction");
    miManualTimeCorr = item(miTimeCorrection, "miManualTimeCorr", "Manual", &TfrmClock::miManualTimeCorrClick);
    miSMTPClockCorr = item(miTimeCorrection, "miSMTPClockCorr", "Internet", &TfrmClock::miSMTPClockCorrClick);
    N2 = separator(pmClockMenu, "N2");
    miSetting = item(pmClockMenu, "miSetting", "Setting", &TfrmClock::miSettingClick);
    miHelp = item(pmClockMenu, "miHelp", "Help", &TfrmClock::miHelpClick);
    miAbout = item(pmClockMenu, "miAbout", "About...", &TfrmClock::miAboutClick);
    miEmpty = separator(pmClockMenu, "miEmpty");
    miExit = item(pmClockMenu, "miExit", "Exit", &TfrmClock::miExitClick);
}

void TfrmClock::miToDoClick() {
    runCommand(AppCommand::NewTask);
}

void TfrmClock::miViewToDoListClick() {
    runCommand(AppCommand::ShowToDoList);
}

void TfrmClock::miScheduleClick() {
    runCommand(AppCommand::ShowSchedule);
}

void TfrmClock::Holydayslist1Click() {
    runCommand(AppCommand::ShowHolidayList);
}

void TfrmClock::miHolidayClick() {
    runCommand(AppCommand::NewHoliday);
}

void TfrmClock::miAddresBookClick() {
    runCommand(AppCommand::ShowAddressBook);
}

void TfrmClock::miPocketBookClick() {
    runCommand(AppCommand::ShowPocketBook);
}

void TfrmClock::miCalculatorClick() {
    startCalculator();
}

void TfrmClock::miSMTPClockCorrClick() {
    // The application disables the item while a correction runs.
    runCommand(AppCommand::InternetTime);
}

void TfrmClock::miManualTimeCorrClick() {
    startDateTimeSettings();
}

void TfrmClock::miSettingClick() {
    // The dialog is a top-level window of its own, so the program has a
    // taskbar entry while it is open.
    frmSettings->prepareToShow();
    frmSettings->exec();
}

void TfrmClock::miHelpClick() {
    ShowHelpContents();
}

void TfrmClock::miAboutClick() {
    TfrmAbout about;
    about.exec();
}

void TfrmClock::miExitClick() {
    close();
}

// ---- window events ---------------------------------------------------------

void TfrmClock::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

void TfrmClock::contextMenuEvent(QContextMenuEvent* event) {
    popupClockMenu(event->globalPos());
}

void TfrmClock::mousePressEvent(QMouseEvent* event) {
    // Any point of a floating clock drags it; the panel clock stays put.
    if (event->button() == Qt::LeftButton && ViewMode != vmSysTrayClock) {
        dragging_ = true;
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
    QWidget::mousePressEvent(event);
}

void TfrmClock::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        const QPoint pos = event->globalPosition().toPoint() - dragOffset_;
        const QScreen* screen = QGuiApplication::screenAt(event->globalPosition().toPoint());
        if (!screen) screen = QGuiApplication::primaryScreen();
        QRect target(pos, size());
        if (screen) {
            const QRect a = screen->availableGeometry();
            const ClockRect r = SnapToArea({pos.x(), pos.y(), width(), height()},
                                           {a.x(), a.y(), a.width(), a.height()});
            target.moveTo(r.left, r.top);
        }
        move(target.topLeft());
    }
    QWidget::mouseMoveEvent(event);
}

void TfrmClock::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}

void TfrmClock::paintEvent(QPaintEvent*) {
    if (ViewMode != vmSysTrayClock && ViewMode != vmFreeClock) return;
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, color_);
    const Color base = fromQColor(color_);
    const QColor light = toQColor(LightenColor(base, 60));
    const QColor dark = toQColor(DarkenColor(base, 60));
    // Two rings, each one pixel inside the one before: top and left light,
    // bottom and right dark.
    for (int k = 0; k < 2; ++k) {
        const int l = r.left() + k, t = r.top() + k, rt = r.right() - k, b = r.bottom() - k;
        if (rt < l || b < t) break;
        p.fillRect(QRect(QPoint(l, t), QPoint(rt, t)), light);
        p.fillRect(QRect(QPoint(l, t), QPoint(l, b)), light);
        p.fillRect(QRect(QPoint(rt, t + 1), QPoint(rt, b)), dark);
        p.fillRect(QRect(QPoint(l + 1, b), QPoint(rt, b)), dark);
    }
}

void TfrmClock::resizeEvent(QResizeEvent* event) {
    lbClock->setGeometry(rect());
    imgAnalogClock->setGeometry(rect());
    pbArrows->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void TfrmClock::enterEvent(QEnterEvent* event) {
    tmrDayInfoShow->start();
    QWidget::enterEvent(event);
}

void TfrmClock::leaveEvent(QEvent* event) {
    tmrDayInfoShow->stop();
    if (dayInfo_ && dayInfo_->panelVisible()) dayInfo_->startHideTimer(1500);
    QWidget::leaveEvent(event);
}

}  // namespace ostrel
