#include "clock/clock_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "base/app_paths.h"
#include "base/language_texts.h"
#include "clock/analog_face.h"
#include "clock/clock_keys.h"
#include "clock/day_info_link.h"
#include "clock/tray_clock.h"
#include "core/clock/clock_layout.h"
#include "core/clock/colors.h"
#include "core/time/clock_service.h"
#include "data/reminder_engine.h"
#include "data/task_store.h"
#include "platform/clock_change_watcher.h"
#include "ui/app_commands.h"
#include "ui/dialog_service.h"
#include "ui/error_display.h"
#include "ui/gradient_paint.h"
#include "ui/guarded.h"
#include "ui/locale_format.h"
#include "ui/settings_model.h"

namespace ostrel {

namespace {

// Whether a time format shows seconds (an "s" outside quoted text).
bool formatShowsSeconds(const QString& format) {
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        else if (!quoted && c == QLatin1Char('s')) return true;
    }
    return false;
}

// The English texts of messages about a damaged installation, for when the
// language files are gone as well.
const QString kSkinMissing = QStringLiteral(
    "Ostrel Organizer cannot start: the file %s, which gives its windows their look, is missing or cannot be "
    "read. Reinstalling the program puts it back.");

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

    showFaceParts();
    buildMenu();

    setUpTrayIcon();

    // The tick: single-shot, armed again by each tick for just after the
    // next change the clock shows.
    tmrTime = new QTimer(this);
    tmrTime->setObjectName(QStringLiteral("tmrTime"));
    tmrTime->setSingleShot(true);
    tmrTime->setTimerType(Qt::PreciseTimer);
    tmrTime->setInterval(1000);
    connect(tmrTime, &QTimer::timeout, this, guarded(this, &TfrmClock::tmrTimeTimer));
    tmrTime->start();
    tickFilter_ = new TickVisibilityFilter(this);
    installEventFilter(tickFilter_);
    // A clock jump redraws at once and re-checks the reminder gate.
    clockWatcher = new ClockChangeWatcher(this);
    connect(clockWatcher, &ClockChangeWatcher::clockChanged, this, guarded(this, &TfrmClock::clockChanged));

    tmrDayInfoShow = new QTimer(this);
    tmrDayInfoShow->setObjectName(QStringLiteral("tmrDayInfoShow"));
    tmrDayInfoShow->setInterval(1000);
    tmrDayInfoShow->setSingleShot(false);
    connect(tmrDayInfoShow, &QTimer::timeout, this, guarded(this, &TfrmClock::tmrDayInfoShowTimer));

    leftButtonDown = [] { return (QGuiApplication::mouseButtons() & Qt::LeftButton) != 0; };
    // The session manager asks the program to save before the session ends.
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(gui, &QGuiApplication::commitDataRequest, this, guarded(this, &TfrmClock::endSession));

    // The stored view mode, font, colour and spacing; afterwards the clock
    // follows every change of its settings.
    loadSettings();
    connect(&settings(), &SettingsModel::changed, this,
            [this](const QString& section, const QString& key) { runGuarded([&] { settingChanged(section, key); }); });

    tmrTimeTimer();
    loadSkin();
    creating_ = false;
    if (viewMode_ == vmSysTrayIcon) startNotificationAreaWatch();
}

void TfrmClock::connectData(ReminderEngine& engine, TaskStore& tasks) {
    if (engine_ == &engine && tasks_ == &tasks) return;
    engine_ = &engine;
    tasks_ = &tasks;
    // No tick during a pass: a tick handled while a reminder window shows
    // would otherwise redraw into the middle of it; the tick is armed again
    // when the pass ends, also after a failing one.
    connect(&engine, &ReminderEngine::passStarted, tmrTime, &QTimer::stop);
    connect(&engine, &ReminderEngine::passEnded, this, [this] { scheduleTick(); });
    // The icon's tooltip names the next reminder: a new or changed task
    // shows there at once.
    connect(&tasks, &TaskStore::changed, this, guarded([this] {
        if (viewMode_ == vmSysTrayIcon) updateTrayToolTip();
    }));
    updateTrayToolTip();
}

TfrmClock::~TfrmClock() {
    // QWidget's destructor hides the window: by then this is no clock any
    // more, so the filter must not call back into it.
    removeEventFilter(tickFilter_);
    if (!viewSavedOnClose_) runGuarded([this] { saveView(); });
    if (hClockWindow == this) RemoveTrayClock();
}

// ---- the clock's settings --------------------------------------------------

void TfrmClock::loadSettings() {
    declareClockSettings();
    SettingsModel& s = settings();
    if (!s.load(kGeneralSection) || !s.load(kClockSection)) return;
    // The spin boxes' ranges and a readable font size.
    s.setValue(kClockSection, clockKey::vertSpace,
               std::clamp<qlonglong>(clockValue(clockKey::vertSpace).toLongLong(), 0, 15));
    s.setValue(kClockSection, clockKey::horisSpace,
               std::clamp<qlonglong>(clockValue(clockKey::horisSpace).toLongLong(), 0, 25));
    s.setValue(kClockSection, clockKey::fontSize,
               std::clamp<qlonglong>(clockValue(clockKey::fontSize).toLongLong(), 1, 400));

    // The font first, so that a digital clock is sized to its text at once.
    applyClockFont();
    TViewMode stored = vmSysTrayIcon;
    if (viewModeFromStored(s.value(kGeneralSection, clockKey::programView).toLongLong(), stored) &&
        stored != vmSysTrayIcon)
        runGuarded([&] { setViewMode(stored); });
    // A mode that could not be taken (an unreadable dial) is a fallback for
    // this run only: the file keeps the stored mode until the user picks one.
    const qlonglong storedView = s.value(kGeneralSection, clockKey::programView).toLongLong();
    keptProgramView_ = viewModeFromStored(storedView, stored) && stored != viewMode_ ? storedView : 0;
    s.setValue(kGeneralSection, clockKey::programView, keptProgramView_ ? keptProgramView_ : int(viewMode_) + 1);
    showTrayIcon(viewMode_ == vmSysTrayIcon);
    setClockVisible(viewMode_ != vmSysTrayIcon);
    update();
}

void TfrmClock::settingChanged(const QString& section, const QString& key) {
    if (section != kClockSection) return;
    if (key.startsWith(QLatin1String("Font"))) {
        applyClockFont();
    } else if (key == clockKey::color) {
        update();
    } else if (key == clockKey::vertSpace) {
        if (viewMode_ == vmFreeClock) {
            const QFontMetrics fm(lbClock->font());
            resize(width(), fm.height() + vertSpace() + 1);
        }
    } else if (key == clockKey::horisSpace) {
        if (viewMode_ == vmFreeClock) {
            const QFontMetrics fm(lbClock->font());
            resize(fm.horizontalAdvance(lbClock->text()) + horisSpace() + 1, height());
        }
    }
}

int TfrmClock::vertSpace() const { return clockValue(clockKey::vertSpace).toInt(); }

int TfrmClock::horisSpace() const { return clockValue(clockKey::horisSpace).toInt(); }

QColor TfrmClock::color() const { return toQColor(clockColorValue(clockKey::color)); }

void TfrmClock::applyClockFont() {
    QFont f = font();
    f.setFamily(clockValue(clockKey::fontName).toString());
    f.setPointSize(clockValue(clockKey::fontSize).toInt());
    f.setStyleHint(QFont::AnyStyle);
    f.setBold(clockValue(clockKey::fontBold).toBool());
    f.setItalic(clockValue(clockKey::fontItalic).toBool());
    setFont(f);
    lbClock->setFont(f);
    const QColor fontColor = toQColor(clockColorValue(clockKey::fontColor));
    QPalette pal = lbClock->palette();
    pal.setColor(QPalette::WindowText, fontColor);
    lbClock->setPalette(pal);
    // The skin colours every label; the user's colour wins over it.
    lbClock->setStyleSheet(QStringLiteral("QLabel#lbClock { color: %1; }").arg(fontColor.name()));
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
        showMessage(FormatMessageText(GetLangMessageOr(QStringLiteral("SkinMissing"), kSkinMissing),
                                      {QDir::toNativeSeparators(skinFilePath())}),
                    QStringLiteral("Ostrel Organizer"), MsgIcon::Warning, MsgOk);
        requestTerminate();
        return;
    }
    if (qApp) qApp->setStyleSheet(QString::fromUtf8(sheet));
}

// ---- the tick --------------------------------------------------------------

void TfrmClock::layoutDigital() {
    const QString text = formatLongTime(clock().now());
    lbClock->setText(text);
    const QFontMetrics fm(lbClock->font());
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect full = screen ? screen->geometry() : QRect(0, 0, 1280, 1024);
    const QRect g(place(), size());
    if (const auto r = TickGeometry({g.x(), g.y(), g.width(), g.height()}, fm.horizontalAdvance(text), fm.height(),
                                    horisSpace(), vertSpace(), full.width(), full.height()))
        setGeometry(r->left, r->top, r->width, r->height);
}

void TfrmClock::tmrTimeTimer() {
    if (viewMode_ == vmSysTrayClock || viewMode_ == vmFreeClock) {
        layoutDigital();
        if (viewMode_ == vmSysTrayClock) UpdateTrayClock();
        QCoreApplication::processEvents();
    } else if (viewMode_ == vmAnalogClock) {
        pbArrows->repaint();
    }

    if (viewMode_ == vmSysTrayIcon) updateTrayToolTip();
    scheduleTick();
    // The gate's own timer runs the passes; the tick is the second chance
    // (a timer that came late after a suspend). A failing pass waits a
    // minute before the next attempt; its error goes to the error display.
    if (engine_) engine_->runTickPassIfDue();
}

int TfrmClock::scheduleTick() {
    int period = 0;
    if (viewMode_ == vmSysTrayIcon) period = 60000;  // the icon's tooltip
    else if (!isVisible()) period = 0;
    else if (viewMode_ == vmAnalogClock || formatShowsSeconds(longTimeFormat())) period = 1000;
    else period = 60000;
    if (period == 0) {
        tmrTime->stop();
        return -1;
    }
    const qint64 ms = msOfDay(clock().now());
    const int delay = static_cast<int>(period - ms % period) + kTickLateMs;
    tmrTime->start(delay);
    return delay;
}

void TfrmClock::clockChanged() {
    tmrTimeTimer();
    if (engine_) engine_->ClockChanged();
}

// ---- window events ---------------------------------------------------------

void TfrmClock::bringToFront() {
    if (isVisible()) {
        raise();
        activateWindow();
    }
}

void TfrmClock::tmrDayInfoShowTimer() {
    tmrDayInfoShow->stop();
    if (!leftButtonDown() && dayInfo_) dayInfo_->showPanel();
}

void TfrmClock::endSession() {
    // An open contact editor must not refuse to close now (also when the
    // settings cannot be saved).
    emit sessionEnding();
    saveView();
}

void TfrmClock::closeEvent(QCloseEvent* event) {
    // Stored while the window is still where the user sees it.
    if (isVisible()) {
        runGuarded([this] { saveView(); });
        viewSavedOnClose_ = true;
    }
    QWidget::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

void TfrmClock::paintEvent(QPaintEvent*) {
    if (viewMode_ != vmSysTrayClock && viewMode_ != vmFreeClock) return;
    QPainter p(this);
    const QRect r = rect();
    const QColor colour = color();
    p.fillRect(r, colour);
    const Color base = fromQColor(colour);
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

void TfrmClock::showEvent(QShowEvent* event) {
    viewSavedOnClose_ = false;
    QWidget::showEvent(event);
}

void TfrmClock::leaveEvent(QEvent* event) {
    tmrDayInfoShow->stop();
    if (dayInfo_ && dayInfo_->panelVisible()) dayInfo_->startHideTimer(1500);
    QWidget::leaveEvent(event);
}

}  // namespace ostrel
