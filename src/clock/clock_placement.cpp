#include "clock/clock_window.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include <vector>

#include "clock/clock_keys.h"
#include "core/clock/clock_layout.h"
#include "ui/settings_model.h"

namespace ostrel {

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
    const ClockRect placed =
        KeepOnScreens(clockValue(clockKey::left).toLongLong(), clockValue(clockKey::top).toLongLong(), size.width(),
                      size.height(), screens);
    move(placed.left, placed.top);
}

void TfrmClock::storePosition() {
    const QPoint where = place();
    settings().setValue(kClockSection, clockKey::top, where.y());
    settings().setValue(kClockSection, clockKey::left, where.x());
    settings().saveKeys(kClockSection, {clockKey::top, clockKey::left});
}

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

void TfrmClock::moveEvent(QMoveEvent* event) {
    // Moves the program makes; not what the window system reports.
    if (!event->spontaneous() && isWindow()) {
        place_ = pos();
        placeKnown_ = true;
    }
    QWidget::moveEvent(event);
}

}  // namespace ostrel
