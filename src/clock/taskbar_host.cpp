#include "clock/taskbar_host.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

namespace ostrel {

namespace {
constexpr int kInitialSystemClockWidth = 60;

ScreenRect toScreenRect(const QRect& r) { return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
}  // namespace

ScreenRect taskbarStrip(const QRect& screen, const QRect& workArea) {
    const ScreenRect s = toScreenRect(screen);
    const ScreenRect w = toScreenRect(workArea);
    // A panel along the bottom is the part of the screen below the work
    // area; one too thin to hold anything is treated as none.
    const int panel = s.bottom - w.bottom;
    const int height = panel >= 2 * VirtualTaskbar::kTaskbarBorder + 8 ? panel : kDefaultTaskbarHeight;
    return {s.left, s.bottom - height, s.right, s.bottom};
}

TaskbarClockHost::TaskbarClockHost(TaskbarEmbedding* owner)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowStaysOnTopHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus),
      owner_(owner) {
    setObjectName(QStringLiteral("ClockHost"));
    setAttribute(Qt::WA_ShowWithoutActivating);
}

TaskbarClockHost::~TaskbarClockHost() {
    // Whoever destroys the host, the clock window inside it lives on.
    if (owner_) owner_->release(this);
}

void TaskbarEmbedding::release(TaskbarClockHost* host) {
    if (clock_ && clock_->parentWidget() == host) {
        clock_->hide();
        clock_->setParent(nullptr, clockFlags_);
    }
}

TaskbarEmbedding& taskbarEmbedding() {
    static TaskbarEmbedding embedding;
    return embedding;
}

TaskbarEmbedding::~TaskbarEmbedding() {
    if (host_) host_->forgetOwner();
}

QWidget* TaskbarEmbedding::host() const { return host_.data(); }

void TaskbarEmbedding::createHost() {
    removeHost();
    bar_.reset();
    host_ = new TaskbarClockHost(this);
    host_->setGeometry(0, 0, 0, 0);
    // A change of the work area (the panel moved or resized) lays the
    // taskbar out again at once.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        QObject::connect(screen, &QScreen::availableGeometryChanged, host_, [this] { update(); });
    host_->show();
}

void TaskbarEmbedding::embed(QWidget* clock) {
    if (!host_ || !clock) return;
    if (clock->parentWidget() != host_) {
        clockFlags_ = clock->windowFlags();
        const QSize size = clock->size();
        clock->setParent(host_, Qt::Widget);
        clock->resize(size);
    }
    clock_ = clock;
}

void TaskbarEmbedding::update() {
    if (!host_ || !clock_ || clock_->parentWidget() != host_) return;
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const ScreenRect strip = taskbarStrip(screen->geometry(), screen->availableGeometry());
    // A new work area (the panel moved or changed size) starts a new
    // virtual taskbar.
    if (!bar_ || !(bar_->taskbar() == strip)) bar_.emplace(strip, kInitialSystemClockWidth);

    const QPoint origin = clock_->mapToGlobal(QPoint(0, 0));
    const ScreenRect f{origin.x(), origin.y(), origin.x() + clock_->width(), origin.y() + clock_->height()};
    const WindowPlacement p = updateVirtualTaskbar(*bar_, f, true);
    const QRect wanted(p.x, p.y, std::max(p.width, 0), std::max(p.height, 0));
    if (host_->geometry() != wanted) host_->setGeometry(wanted);
    // No window manager keeps a window that bypasses it on top; the layout
    // does, except while one of our menus is open over the corner.
    if (!QApplication::activePopupWidget()) host_->raise();
}

void TaskbarEmbedding::removeHost() {
    TaskbarClockHost* host = host_.data();
    host_.clear();
    bar_.reset();
    if (host) {
        release(host);
        delete host;
    }
}

}  // namespace ostrel
