#include "clock/clock_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "base/app_paths.h"
#include "base/language_texts.h"
#include "clock/about_box.h"
#include "clock/analog_face.h"
#include "clock/day_info_link.h"
#include "clock/tray_clock.h"
#include "core/clock/clock_layout.h"
#include "core/clock/colors.h"
#include "core/image/jpeg_reader.h"
#include "core/time/clock_service.h"
#include "data/data_module.h"
#include "platform/clock_change_watcher.h"
#include "platform/desktop_tools.h"
#include "ui/app_commands.h"
#include "ui/dialog_service.h"
#include "ui/error_display.h"
#include "ui/gradient_paint.h"
#include "ui/guarded.h"
#include "ui/help_link.h"
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

const QString kGeneral = QStringLiteral("General");
const QString kClock = QStringLiteral("Clock");

QVariant clockValue(const char* key) { return settings().value(kClock, QLatin1String(key)); }

Color clockColorValue(const char* key) { return Color(static_cast<std::int32_t>(clockValue(key).toLongLong())); }

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
const QString kDialUnreadable = QStringLiteral(
    "The clock face picture %s is missing or damaged, so the analog clock cannot be shown. The clock stays as it "
    "was; reinstalling the program puts the picture back.");

// The first look for a notification area after start, the looks again while
// the floating clock stands in for the icon, and how many in all (about half
// a minute); how long the first-start balloon stays.
constexpr int kTrayFirstCheckMs = 500;
constexpr int kTrayRecheckMs = 1000;
constexpr int kTrayChecks = 30;
constexpr int kTrayHintMs = 20000;
constexpr int kTrayHintTries = 5;

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

    // A single left click counts once the double-click time has passed.
    trayClickTimer_ = new QTimer(this);
    trayClickTimer_->setSingleShot(true);
    connect(trayClickTimer_, &QTimer::timeout, this, guarded(this, &TfrmClock::spTrayIcon1Click));

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
    // The reminder gate waits on its own timer; a clock jump re-checks both.
    connectDataModule();
    clockWatcher = new ClockChangeWatcher(this);
    connect(clockWatcher, &ClockChangeWatcher::clockChanged, this, guarded(this, &TfrmClock::clockChanged));

    tmrDayInfoShow = new QTimer(this);
    tmrDayInfoShow->setObjectName(QStringLiteral("tmrDayInfoShow"));
    tmrDayInfoShow->setInterval(1000);
    tmrDayInfoShow->setSingleShot(false);
    connect(tmrDayInfoShow, &QTimer::timeout, this, guarded(this, &TfrmClock::tmrDayInfoShowTimer));

    leftButtonDown = [] { return (QGuiApplication::mouseButtons() & Qt::LeftButton) != 0; };
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
    if (viewMode_ == vmSysTrayIcon) {
        trayChecksLeft_ = kTrayChecks;
        tmrTrayWait->start();
    }
}

void TfrmClock::connectDataModule() {
    if (!DataModule1 || connectedData_ == DataModule1) return;
    connectedData_ = DataModule1;
    connect(DataModule1, &TDataModule1::reminderPassDue, this, guarded(this, &TfrmClock::runReminderPassIfDue));
    // The icon's tooltip names the next reminder: a new or changed task
    // shows there at once.
    connect(&DataModule1->tasks(), &TaskStore::changed, this, guarded([this] {
        if (viewMode_ == vmSysTrayIcon) updateTrayToolTip();
    }));
    updateTrayToolTip();
}

void TfrmClock::showFaceParts() {
    // The dial and the hands are shown only in the analog mode: hidden, they
    // cost nothing when the digital clock is redrawn every second. (The
    // text stays: it is empty in the analog mode, and showing it again
    // would restyle it with the font it had when first shown.)
    const bool analog = viewMode_ == vmAnalogClock;
    imgAnalogClock->setVisible(analog);
    pbArrows->setVisible(analog);
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
    if (s.value(kGeneral, QStringLiteral("TrayHintShown")).toBool()) return true;
    if (!showTrayMessage(QStringLiteral("Ostrel Organizer"), GetLangMessage(QStringLiteral("TrayFirstStartHint"))))
        return false;
    // Remembered with the view mode (saveView): nothing is written at start.
    s.setValue(kGeneral, QStringLiteral("TrayHintShown"), true);
    return true;
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
    if (!s.load(kGeneral) || !s.load(kClock)) return;
    // The spin boxes' ranges and a readable font size.
    s.setValue(kClock, QStringLiteral("VertSpace"), std::clamp<qlonglong>(clockValue("VertSpace").toLongLong(), 0, 15));
    s.setValue(kClock, QStringLiteral("HorisSpace"),
               std::clamp<qlonglong>(clockValue("HorisSpace").toLongLong(), 0, 25));
    s.setValue(kClock, QStringLiteral("FontSize"), std::clamp<qlonglong>(clockValue("FontSize").toLongLong(), 1, 400));

    // The font first, so that a digital clock is sized to its text at once.
    applyClockFont();
    TViewMode stored = vmSysTrayIcon;
    if (viewModeFromStored(s.value(kGeneral, QStringLiteral("ProgramView")).toLongLong(), stored) &&
        stored != vmSysTrayIcon)
        runGuarded([&] { setViewMode(stored); });
    // A mode that could not be taken (an unreadable dial) is a fallback for
    // this run only: the file keeps the stored mode until the user picks one.
    const qlonglong storedView = s.value(kGeneral, QStringLiteral("ProgramView")).toLongLong();
    keptProgramView_ = viewModeFromStored(storedView, stored) && stored != viewMode_ ? storedView : 0;
    s.setValue(kGeneral, QStringLiteral("ProgramView"), keptProgramView_ ? keptProgramView_ : int(viewMode_) + 1);
    showTrayIcon(viewMode_ == vmSysTrayIcon);
    setClockVisible(viewMode_ != vmSysTrayIcon);
    update();
}

void TfrmClock::settingChanged(const QString& section, const QString& key) {
    if (section != kClock) return;
    if (key.startsWith(QLatin1String("Font"))) {
        applyClockFont();
    } else if (key == QLatin1String("Color")) {
        update();
    } else if (key == QLatin1String("VertSpace")) {
        if (viewMode_ == vmFreeClock) {
            const QFontMetrics fm(lbClock->font());
            resize(width(), fm.height() + vertSpace() + 1);
        }
    } else if (key == QLatin1String("HorisSpace")) {
        if (viewMode_ == vmFreeClock) {
            const QFontMetrics fm(lbClock->font());
            resize(fm.horizontalAdvance(lbClock->text()) + horisSpace() + 1, height());
        }
    }
}

int TfrmClock::vertSpace() const { return clockValue("VertSpace").toInt(); }

int TfrmClock::horisSpace() const { return clockValue("HorisSpace").toInt(); }

QColor TfrmClock::color() const { return toQColor(clockColorValue("Color")); }

void TfrmClock::applyClockFont() {
    QFont f = font();
    f.setFamily(clockValue("FontName").toString());
    f.setPointSize(clockValue("FontSize").toInt());
    f.setStyleHint(QFont::AnyStyle);
    f.setBold(clockValue("FontBold").toBool());
    f.setItalic(clockValue("FontItalic").toBool());
    setFont(f);
    lbClock->setFont(f);
    const QColor fontColor = toQColor(clockColorValue("FontColor"));
    QPalette pal = lbClock->palette();
    pal.setColor(QPalette::WindowText, fontColor);
    lbClock->setPalette(pal);
    // The skin colours every label; the user's colour wins over it.
    lbClock->setStyleSheet(QStringLiteral("QLabel#lbClock { color: %1; }").arg(fontColor.name()));
}

void TfrmClock::saveView() {
    SettingsModel& s = settings();
    s.setValue(kGeneral, QStringLiteral("ProgramView"), keptProgramView_ ? keptProgramView_ : int(viewMode_) + 1);
    QStringList keys{QStringLiteral("ProgramView")};
    if (s.value(kGeneral, QStringLiteral("TrayHintShown")).toBool()) keys << QStringLiteral("TrayHintShown");
    if (!s.saveKeys(kGeneral, keys)) return;
    if (viewMode_ == vmFreeClock || viewMode_ == vmAnalogClock) storePosition();
}

void TfrmClock::moveToStoredPosition() {
    // A stored position off every screen (another monitor once, or a
    // damaged file) is brought back where the clock can be reached.
    std::vector<ClockRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        screens.push_back({g.x(), g.y(), g.width(), g.height()});
    }
    // The clock may not have its size yet (the first tick gives it).
    const QSize size = this->size().expandedTo(sizeHint()).expandedTo(QSize(40, 16));
    const ClockRect placed = KeepOnScreens(clockValue("Left").toLongLong(), clockValue("Top").toLongLong(),
                                           size.width(), size.height(), screens);
    move(placed.left, placed.top);
}

void TfrmClock::storePosition() {
    const QPoint where = place();
    settings().setValue(kClock, QStringLiteral("Top"), where.y());
    settings().setValue(kClock, QStringLiteral("Left"), where.x());
    settings().saveKeys(kClock, {QStringLiteral("Top"), QStringLiteral("Left")});
}

// ---- the view-mode switches ------------------------------------------------

void TfrmClock::setViewMode(TViewMode mode) {
    trayFallback_ = false;  // a mode chosen stays
    if (mode == viewMode_) return;
    switch (mode) {
        case vmSysTrayIcon: switchToTrayIcon(); break;
        case vmSysTrayClock: switchToTrayClock(); break;
        case vmFreeClock: switchToFreeClock(); break;
        case vmAnalogClock: switchToAnalogClock(); break;
        default: return;
    }
    keptProgramView_ = 0;  // a mode taken: stored as it is
    settings().setValue(kGeneral, QStringLiteral("ProgramView"), int(viewMode_) + 1);
}

ClockViewState TfrmClock::viewState() const { return {viewMode_, QRect(place(), size())}; }

void TfrmClock::restoreViewState(const ClockViewState& state) {
    setViewMode(state.mode);
    if (viewMode_ == vmFreeClock || viewMode_ == vmAnalogClock) setGeometry(state.geometry);
}

void TfrmClock::switchToTrayIcon() {
    if (viewMode_ == vmSysTrayClock) RemoveTrayClock();
    setClockVisible(false);
    showTrayIcon(true);
    viewMode_ = vmSysTrayIcon;
    applyWindowFlags();
}

void TfrmClock::switchToTrayClock() {
    if (viewMode_ == vmSysTrayIcon) {
        showTrayIcon(false);
        setClockVisible(true);
    }
    if (viewMode_ == vmFreeClock || viewMode_ == vmAnalogClock) storePosition();
    if (viewMode_ != vmSysTrayClock) {
        imgAnalogClock->clear();
        clearMask();
        resize(50, 50);
    }
    CreateTrayClock();
    viewMode_ = vmSysTrayClock;
    showFaceParts();
    applyWindowFlags();
    EmbedClockWindow(this);
    resize(width() - 1, height() - 1);
    raise();
    showTrayIcon(false);
    setClockVisible(true);
}

void TfrmClock::switchToFreeClock() {
    const TViewMode from = viewMode_;
    setClockVisible(false);
    if (from == vmSysTrayClock) RemoveTrayClock();
    if (from == vmSysTrayIcon) showTrayIcon(false);
    if (from == vmSysTrayIcon || from == vmAnalogClock) imgAnalogClock->clear();
    // Small, so the layout below sizes it to its text; never empty: the
    // toolkit keeps a window it once gave an empty size off the display,
    // and the change of flags below takes away the resize that would lift
    // that, so the clock would stay unmapped while counted as shown.
    resize(1, 1);
    clearMask();
    moveToStoredPosition();
    viewMode_ = vmFreeClock;
    showFaceParts();
    applyWindowFlags();
    // Sized to its text at once, not only by the next tick.
    layoutDigital();
    setClockVisible(true);
}

void TfrmClock::switchToAnalogClock() {
    // The dial is read before anything changes: a picture that cannot be
    // read stops the switch with the clock still whole in its present mode
    // (the icon still there, the panel clock still in its corner).
    QPixmap dial;
    try {
        dial = LoadAnalogFace(analogDialPath());
    } catch (const JpegError&) {
        // Said in the user's language; whether the file is missing or
        // damaged, the remedy is the same.
        throw std::runtime_error(FormatMessageText(GetLangMessageOr(QStringLiteral("DialUnreadable"), kDialUnreadable),
                                                   {QDir::toNativeSeparators(analogDialPath())})
                                     .toStdString());
    }
    const TViewMode from = viewMode_;
    setClockVisible(false);
    if (from == vmSysTrayClock) RemoveTrayClock();
    showTrayIcon(false);
    // The digital time is not drawn over the dial.
    lbClock->clear();
    setClockVisible(true);
    imgAnalogClock->setPixmap(dial);
    resize(96, 96);
    setMask(QRegion(0, 0, 97, 97, QRegion::Ellipse));
    moveToStoredPosition();
    viewMode_ = vmAnalogClock;
    showFaceParts();
    applyWindowFlags();
    setClockVisible(true);
}

void TfrmClock::applyWindowFlags() {
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint;
    if (viewMode_ == vmFreeClock || viewMode_ == vmAnalogClock || viewMode_ == vmSysTrayClock)
        flags |= Qt::WindowStaysOnTopHint;
    if (windowFlags() == flags) return;
    const bool wasVisible = isVisible();
    setWindowFlags(flags);
    if (wasVisible) show();
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
        showMessage(FormatMessageText(GetLangMessageOr(QStringLiteral("SkinMissing"), kSkinMissing),
                                      {QDir::toNativeSeparators(skinFilePath())}),
                    QStringLiteral("Ostrel Organizer"), MsgIcon::Warning, MsgOk);
        requestTerminate();
        return;
    }
    if (qApp) qApp->setStyleSheet(QString::fromUtf8(sheet));
}

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
    runReminderPassIfDue();
}

QString TfrmClock::trayToolTip() const {
    // The icon shows no time; its tooltip names the day and the minute (so
    // the tick comes once a minute in this mode) and the next reminder of
    // the day.
    const DateTime present = clock().now();
    const QDateTime now = toQDateTime(present);
    QString tip = QStringLiteral("Ostrel Organizer\n") + QLocale::system().toString(now.date(), longDateFormat()) +
                  QLatin1Char(' ') + QLocale::system().toString(now.time(), shortTimeFormat());
    if (!DataModule1) return tip;
    // Whole minutes: a task due in this minute is still "next".
    const DateTime minute = std::floor(present * 1440.0 + 1e-9) / 1440.0;
    std::vector<TaskOfDay> today;
    try {
        today = DataModule1->tasks().tasksOfDay(std::floor(present));
    } catch (const std::exception&) {
        // A database that cannot be read now: the tooltip is not the place
        // to say so (the reminder pass does), and it must not say it every
        // minute.
        return tip;
    }
    for (const TaskOfDay& task : today) {
        if (task.showDT < minute) continue;
        constexpr qsizetype kMaxTitle = 60;  // a tooltip is a line or two, not the whole title
        QString title = task.title.simplified();
        if (title.size() > kMaxTitle) title = title.left(kMaxTitle - 1) + QChar(0x2026);
        tip += QLatin1Char('\n') +
               FormatMessageText(
                   GetLangMessageOr(QStringLiteral("TrayNextReminder"), QStringLiteral("Next reminder: %s %s")),
                   {QLocale::system().toString(toQDateTime(task.showDT).time(), shortTimeFormat()), title});
        break;
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

QRect TfrmClock::trayIconGeometry() const {
    if (!spTrayIcon1 || !spTrayIcon1->isVisible()) return {};
    const QRect icon = spTrayIcon1->geometry();
    if (icon.isValid()) return icon;
    return trayClickPos_.isNull() ? QRect() : QRect(trayClickPos_, QSize(1, 1));
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

void TfrmClock::endSession() {
    // An open contact editor must not refuse to close now (also when the
    // settings cannot be saved).
    emit sessionEnding();
    saveView();
}

// ---- the clock menu --------------------------------------------------------

void TfrmClock::buildMenu() {
    pmClockMenu = new QMenu(this);
    pmClockMenu->setObjectName(QStringLiteral("pmClockMenu"));
    connect(pmClockMenu, &QMenu::aboutToShow, this, guarded(this, &TfrmClock::pmClockMenuPopup));

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
    miExchange = submenu(pmClockMenu, "miExchange", "Exchange");
    miImportCalendar = item(miExchange, "miImportCalendar", "Import calendar...", &TfrmClock::miImportCalendarClick);
    miExportCalendar = item(miExchange, "miExportCalendar", "Export calendar...", &TfrmClock::miExportCalendarClick);
    miImportContacts = item(miExchange, "miImportContacts", "Import contacts...", &TfrmClock::miImportContactsClick);
    miExportContacts = item(miExchange, "miExportContacts", "Export contacts...", &TfrmClock::miExportContactsClick);
    miExchange->addSeparator();
    miBackupNow = item(miExchange, "miBackupNow", "Back up now", &TfrmClock::miBackupNowClick);
    miRestoreBackup = item(miExchange, "miRestoreBackup", "Restore from backup...", &TfrmClock::miRestoreBackupClick);
    miEmpty = separator(pmClockMenu, "miEmpty");
    miExit = item(pmClockMenu, "miExit", "Exit", &TfrmClock::miExitClick);
}

void TfrmClock::miToDoClick() { runCommand(AppCommand::NewTask); }

void TfrmClock::miViewToDoListClick() { runCommand(AppCommand::ShowToDoList); }

void TfrmClock::miScheduleClick() { runCommand(AppCommand::ShowSchedule); }

void TfrmClock::Holydayslist1Click() { runCommand(AppCommand::ShowHolidayList); }

void TfrmClock::miHolidayClick() { runCommand(AppCommand::NewHoliday); }

void TfrmClock::miAddresBookClick() { runCommand(AppCommand::ShowAddressBook); }

void TfrmClock::miPocketBookClick() { runCommand(AppCommand::ShowPocketBook); }

void TfrmClock::miCalculatorClick() {
    if (!startCalculator())
        showMessage(
            FormatMessageText(GetLangMessage(QStringLiteral("NoCalculator")), {toolNames(calculatorCandidates())}),
            QStringLiteral("Ostrel Organizer"), MsgIcon::Information, MsgOk);
}

void TfrmClock::miSMTPClockCorrClick() {
    // The application disables the item while a correction runs.
    runCommand(AppCommand::InternetTime);
}

void TfrmClock::miManualTimeCorrClick() {
    if (!startDateTimeSettings())
        showMessage(FormatMessageText(GetLangMessage(QStringLiteral("NoDateTimeTool")),
                                      {toolNames(dateTimeSettingsCandidates())}),
                    QStringLiteral("Ostrel Organizer"), MsgIcon::Information, MsgOk);
}

void TfrmClock::miSettingClick() {
    // The application runs the settings dialog.
    emit settingsRequested();
}

void TfrmClock::miHelpClick() { ShowHelpContents(); }

void TfrmClock::miAboutClick() {
    TfrmAbout about;
    about.exec();
}

void TfrmClock::miImportCalendarClick() { runCommand(AppCommand::ImportCalendar); }

void TfrmClock::miExportCalendarClick() { runCommand(AppCommand::ExportCalendar); }

void TfrmClock::miImportContactsClick() { runCommand(AppCommand::ImportContacts); }

void TfrmClock::miExportContactsClick() { runCommand(AppCommand::ExportContacts); }

void TfrmClock::miBackupNowClick() { runCommand(AppCommand::BackUpNow); }

void TfrmClock::miRestoreBackupClick() { runCommand(AppCommand::RestoreFromBackup); }

void TfrmClock::miExitClick() { close(); }

// ---- window events ---------------------------------------------------------

void TfrmClock::closeEvent(QCloseEvent* event) {
    // Stored while the window is still where the user sees it.
    if (isVisible()) {
        runGuarded([this] { saveView(); });
        viewSavedOnClose_ = true;
    }
    QWidget::closeEvent(event);
    if (event->isAccepted()) emit closed();
}

void TfrmClock::contextMenuEvent(QContextMenuEvent* event) { popupClockMenu(event->globalPos()); }

void TfrmClock::mousePressEvent(QMouseEvent* event) {
    // Any point of a floating clock drags it; the panel clock stays put.
    if (event->button() == Qt::LeftButton && viewMode_ != vmSysTrayClock) {
        dragging_ = true;
        dragOffset_ = event->globalPosition().toPoint() - place();
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
            const ClockRect r =
                SnapToArea({pos.x(), pos.y(), width(), height()}, {a.x(), a.y(), a.width(), a.height()});
            target.moveTo(r.left, r.top);
        }
        // Never so far off the screens that it could not be grabbed again:
        // the whole clock stays on the screen it is dragged over.
        std::vector<ClockRect> screens;
        for (const QScreen* s : QGuiApplication::screens()) {
            const QRect g = s->geometry();
            screens.push_back({g.x(), g.y(), g.width(), g.height()});
        }
        const ClockRect kept = KeepOnScreens(target.x(), target.y(), width(), height(), screens);
        move(kept.left, kept.top);
    }
    QWidget::mouseMoveEvent(event);
}

void TfrmClock::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
    QWidget::mouseReleaseEvent(event);
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

void TfrmClock::moveEvent(QMoveEvent* event) {
    // Moves the program makes; not what the window system reports.
    if (!event->spontaneous() && isWindow()) {
        place_ = pos();
        placeKnown_ = true;
    }
    QWidget::moveEvent(event);
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
