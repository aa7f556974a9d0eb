#include "platform/window_frame.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace ostrel {

void moveWindowFrame(QWidget* window, QPoint framePos) {
    QWindow* handle = window->windowHandle();
    if (handle && window->isVisible() && QGuiApplication::platformName() == QLatin1String("xcb")) {
        handle->setFramePosition(framePos);
        return;
    }
    window->move(framePos);
}

}  // namespace ostrel
