#include "app/window_rules.h"

#include <QApplication>
#include <QEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>
#include <QWindow>

// The icon's resources live in a static library: they are registered by
// hand (outside any namespace, as the macro needs).
static void initIconResources() { Q_INIT_RESOURCE(app_icon); }

namespace ostrel {

namespace {

class WindowRules final : public QObject {
public:
    explicit WindowRules(std::function<QWidget*()> clock) : clock_(std::move(clock)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Only two kinds of event matter; everything else passes at the
        // cost of one comparison.
        const QEvent::Type type = event->type();
        if (type == QEvent::Show) {
            if (watched->isWidgetType()) placeAboveClock(static_cast<QWidget*>(watched));
        } else if (type == QEvent::Polish) {
            if (auto* box = qobject_cast<QPlainTextEdit*>(watched)) box->setTabChangesFocus(true);
        }
        return false;
    }

private:
    void placeAboveClock(QWidget* w) {
        if (!w->isWindow()) return;
        QWindow* handle = w->windowHandle();
        if (!handle) return;
        QWidget* clock = clock_ ? clock_() : nullptr;
        QWidget* above = windowToOpenAbove(w, clock);
        QWindow* clockHandle = above ? above->windowHandle() : nullptr;
        if (clockHandle) {
            // A window with a parent of its own keeps it (it opens over
            // that one, which is above the clock already).
            if (!handle->transientParent() || handle->transientParent() == clockHandle)
                handle->setTransientParent(clockHandle);
        } else if (clock && handle->transientParent() && handle->transientParent() == clock->window()->windowHandle()) {
            handle->setTransientParent(nullptr);
        }
    }

    std::function<QWidget*()> clock_;
};

QPointer<WindowRules> g_rules;

}  // namespace

QIcon applicationIcon() {
    initIconResources();
    QIcon icon;
    // Up to 64 pixels: every size goes to the display server with each
    // window that is shown, and the two larger ones alone would be 320 kB
    // a window.
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/ostrel-organizer-%1.png").arg(size), QSize(size, size));
    return icon;
}

QWidget* windowToOpenAbove(QWidget* window, QWidget* clock) {
    if (!window || !clock || !window->isWindow()) return nullptr;
    QWidget* top = clock->window();
    if (window == top || !top->isVisible()) return nullptr;
    // The clock matters only while it stays above other windows; a window
    // outside the window manager's care (the panel clock's host) has no
    // stacking a transient could follow.
    const Qt::WindowFlags clockFlags = top->windowFlags();
    if (!(clockFlags & Qt::WindowStaysOnTopHint) || (clockFlags & Qt::X11BypassWindowManagerHint)) return nullptr;
    // Menus, tooltips and windows that stay on top themselves (reminders)
    // look after their own stacking.
    const Qt::WindowType type = window->windowType();
    if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen || type == Qt::Desktop) return nullptr;
    const Qt::WindowFlags flags = window->windowFlags();
    if ((flags & Qt::WindowStaysOnTopHint) || (flags & Qt::X11BypassWindowManagerHint)) return nullptr;
    return top;
}

void installWindowRules(std::function<QWidget*()> clock) {
    QApplication::setWindowIcon(applicationIcon());
    removeWindowRules();
    g_rules = new WindowRules(std::move(clock));
    g_rules->setParent(qApp);
    qApp->installEventFilter(g_rules);
}

void removeWindowRules() {
    if (!g_rules) return;
    qApp->removeEventFilter(g_rules);
    delete g_rules.data();
}

}  // namespace ostrel
