#pragma once
// The digital clock laid over the desktop panel's clock corner.
//
// This desktop has no taskbar with a clock window to sit on, so the clock's
// host is a frameless, always-on-top window that bypasses the window manager
// and cannot be dragged, kept over the bottom-right corner of the primary
// screen. The taskbar it pretends to sit in is a VirtualTaskbar along the
// bottom edge (the panel's strip when there is one), laid out with the same
// arithmetic a real taskbar would get (core/clock/tray_layout.h).

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <optional>

#include "core/clock/tray_layout.h"

namespace ostrel {

class TaskbarClockHost;

// The taskbar strip the clock goes into: the panel along the bottom of the
// primary screen when the work area leaves one, otherwise a strip of
// kDefaultTaskbarHeight pixels along the bottom edge.
inline constexpr int kDefaultTaskbarHeight = 30;
ScreenRect taskbarStrip(const QRect& screen, const QRect& workArea);

class TaskbarEmbedding {
public:
    TaskbarEmbedding() = default;
    ~TaskbarEmbedding();
    TaskbarEmbedding(const TaskbarEmbedding&) = delete;
    TaskbarEmbedding& operator=(const TaskbarEmbedding&) = delete;

    // Creates the host window over the corner (replacing one left over).
    void createHost();
    // Makes `clock` a child of the host at (0, 0) and records it; `clock`
    // keeps its size.
    void embed(QWidget* clock);
    // Lays the virtual taskbar out for the clock and moves the host; nothing
    // happens while no host exists or no clock has been embedded.
    void update();
    // Gives the clock back its own top-level window (hidden, with the window
    // flags it had before) and destroys the host.
    void removeHost();

    QWidget* host() const;
    QWidget* clockWindow() const { return clock_; }

    // Takes the clock out of `host` (hidden, with its own window flags
    // again) if it is in there.
    void release(TaskbarClockHost* host);

private:
    QPointer<TaskbarClockHost> host_;
    QPointer<QWidget> clock_;
    Qt::WindowFlags clockFlags_;
    std::optional<VirtualTaskbar> bar_;
};

// The one embedding of the process.
TaskbarEmbedding& taskbarEmbedding();

class TaskbarClockHost : public QWidget {
    Q_OBJECT
public:
    explicit TaskbarClockHost(TaskbarEmbedding* owner);
    ~TaskbarClockHost() override;
    void forgetOwner() { owner_ = nullptr; }

private:
    TaskbarEmbedding* owner_;
};

}  // namespace ostrel
