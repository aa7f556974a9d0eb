#pragma once
// The clock window: the program's main window, its one-second tick, the
// clock menu and the notification-area icon. Its parts live by job:
// clock_window.cpp (creation, the tick, the clock's settings, painting),
// clock_view_modes.cpp (the four view modes), clock_menu.cpp (the menu),
// clock_tray_icon.cpp (the notification-area icon and its tooltip),
// clock_placement.cpp (dragging and the stored position).

#include <QColor>
#include <QLabel>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>

#include "ui/clock_view.h"

namespace ostrel {

class ClockChangeWatcher;
class ReminderEngine;
class TaskStore;
class DayInfoPanel;

// Paints the analog hands.
class ArrowsBox : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The clock window owns its view modes: the four switches and their
// position rules are here (ClockView), and it shows the clock settings of
// the settings model as they change.
class TfrmClock : public QWidget, public ClockView {
    Q_OBJECT
public:
    explicit TfrmClock(QWidget* parent = nullptr);
    ~TfrmClock() override;

    // app/ greys it out while an Internet time correction runs.
    QAction* miSMTPClockCorr = nullptr;

    // ClockView: the view mode and the four switches.
    TViewMode viewMode() const override { return viewMode_; }
    void setViewMode(TViewMode mode) override;
    ClockViewState viewState() const override;
    void restoreViewState(const ClockViewState& state) override;
    void saveView() override;

    // Extra pixels added to the time text's height and width
    // (settings "Clock/VertSpace" and "Clock/HorisSpace").
    int vertSpace() const;
    int horisSpace() const;
    // The window colour (background of the digital modes; "Clock/Color").
    QColor color() const;

    // Whether the window is shown when the run loop starts (decided by the
    // settings while the window is being created).
    bool showOnStart() const { return showOnStart_; }
    // Shows or hides the window; while the window is being created only
    // records the wish for the start of the run loop.
    void setClockVisible(bool visible);

    // Set when creation found no usable skin: start-up ends the program
    // after its start-up pass.
    bool skinFailed() const { return skinFailed_; }

    // The day-info panel, once it exists.
    void setDayInfoPanel(DayInfoPanel* panel) { dayInfo_ = panel; }
    DayInfoPanel* dayInfoPanel() const { return dayInfo_; }
    // Whether the left mouse button is down now (tests replace it).
    std::function<bool()> leftButtonDown;
    // Whether the desktop has a notification area (replaceable in tests).
    std::function<bool()> notificationAreaAvailable;
    // Shows a balloon message from the notification-area icon (title,
    // text); false while it cannot be shown yet (the icon not yet in the
    // notification area). Replaceable in tests.
    std::function<bool(const QString&, const QString&)> showTrayMessage;
    // Half a second after start (tmrTrayWait): in the icon mode on a desktop
    // without a notification area the floating clock is shown instead, so
    // the program stays within reach; with one, the icon says once where
    // the organizer lives (a balloon). While the icon waits for a
    // notification area, it is looked for again every second for half a
    // minute (a panel may start after the program at login): one that
    // comes takes the clock back into the icon, unless the user has chosen
    // a mode meanwhile. A balloon that cannot be shown yet is tried again
    // the same way.
    void checkNotificationArea();

    // Follows the reminder engine (its passes pause the tick; the tick runs
    // a pass when the gate is passed) and the task store (the icon's
    // tooltip names the next task of the day). The clock is made before the
    // database is opened; the application hands both in once they exist.
    void connectData(ReminderEngine& engine, TaskStore& tasks);

    // The tick: redraws the time and runs a reminder pass when one is due.
    void tmrTimeTimer();
    // The notification-area icon's tooltip: the program, the date and the
    // minute, and the next reminder of the day (its time and title).
    QString trayToolTip() const;
    void updateTrayToolTip();
    // Arms the single-shot tick for just after the next change the clock
    // shows (the next second of the clock service, the next minute for a
    // format without seconds and for the icon's tooltip); stops it while
    // the window is hidden. Returns the delay in ms, or -1 when stopped.
    int scheduleTick();
    // The system clock jumped or the machine resumed: redraw and re-check
    // the reminder gate at once.
    void clockChanged();
    // Brings the window forward (a second copy of the program asked for it).
    void bringToFront();
    // Opens the clock menu with its right edge at the point.
    void popupClockMenu(const QPoint& globalPos);

    void tmrDayInfoShowTimer();
    void pmClockMenuPopup();
    void spTrayIcon1Click();
    // Where the notification-area icon is on the screen: as the area tells,
    // else the point of the last click on it; empty while there is no icon.
    QRect trayIconGeometry() const;
    // The end of the desktop session: stores the view mode and position.
    void endSession();

    // The clock menu's items that do more than run a command (the table of
    // the menu is in clock_menu.cpp).
    void miCalculatorClick();
    void miManualTimeCorrClick();
    void miSettingClick();
    void miHelpClick();
    void miAboutClick();
    void miExitClick();

    // Window flags for the present view mode (floating modes stay on top).
    void applyWindowFlags();

signals:
    void closed();
    // The desktop session is ending: open
    // editors must not refuse to close.
    void sessionEnding();
    // The Setting command of the menu.
    void settingsRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QLabel* lbClock = nullptr;
    QLabel* imgAnalogClock = nullptr;
    ArrowsBox* pbArrows = nullptr;
    QTimer* tmrTime = nullptr;
    QTimer* tmrDayInfoShow = nullptr;
    QSystemTrayIcon* spTrayIcon1 = nullptr;
    QMenu* pmClockMenu = nullptr;
    QTimer* tmrTrayWait = nullptr;
    // The floating clock stands in for the icon while no notification
    // area is there; checks of it left.
    bool trayFallback_ = false;
    int trayChecksLeft_ = 0;
    int trayHintTries_ = 0;
    // Shows the first-start balloon unless it was shown before; false
    // while it cannot be shown yet.
    bool showFirstStartHint();
    ClockChangeWatcher* clockWatcher = nullptr;
    // The engine and store followed (null before connectData and once gone).
    QPointer<ReminderEngine> engine_;
    QPointer<TaskStore> tasks_;

    void buildMenu();
    // The notification-area icon's timers and replaceable hooks.
    void setUpTrayIcon();
    // The first look for a notification area after start (tmrTrayWait).
    void startNotificationAreaWatch();
    void loadSkin();
    void trayIconActivated(QSystemTrayIcon::ActivationReason reason);
    // Shows the notification-area icon (made on first need) or hides it.
    void showTrayIcon(bool visible);
    // Shows the dial and its hands in the analog mode only.
    void showFaceParts();
    void loadSettings();
    void settingChanged(const QString& section, const QString& key);
    void applyClockFont();
    // The digital clock's text and the tick's size rule.
    void layoutDigital();
    void switchToTrayIcon();
    void switchToTrayClock();
    void switchToFreeClock();
    void switchToAnalogClock();
    void moveToStoredPosition();
    // The stored ProgramView kept while this run shows a fallback mode.
    qlonglong keptProgramView_ = 0;
    void storePosition();

    TViewMode viewMode_ = vmSysTrayIcon;
    // Set when closing stored the view while the window was still on the
    // screen: afterwards a window manager may report other places for it.
    bool viewSavedOnClose_ = false;
    // Re-arms the tick on Show and Hide; taken off before the clock is
    // destroyed (the base class hides the window on its way out).
    QObject* tickFilter_ = nullptr;
    // Where the program last placed the window. A window manager may report
    // another place for a window it has framed (its frame's inside), so
    // while the window is shown this is its place.
    QPoint place_;
    bool placeKnown_ = false;
    QPoint place() const { return placeKnown_ && isWindow() && isVisible() ? place_ : pos(); }
    QPoint dragOffset_;
    bool dragging_ = false;
    bool creating_ = true;
    bool showOnStart_ = false;
    bool skinFailed_ = false;
    DayInfoPanel* dayInfo_ = nullptr;
    QTimer* trayClickTimer_ = nullptr;
    QPoint trayClickPos_;
};

}  // namespace ostrel
