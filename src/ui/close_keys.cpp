#include "ui/close_keys.h"

#include <QDialog>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace ostrel {

void installCloseKeys(QWidget* window) {
    if (!window) return;
    auto add = [window](const QKeySequence& keys, const char* name) {
        auto* shortcut = new QShortcut(keys, window);
        shortcut->setObjectName(QLatin1String(name));
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, window, [window] { window->close(); });
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_W), "scCloseWindow");
    if (!qobject_cast<QDialog*>(window)) add(QKeySequence(Qt::Key_Escape), "scEscapeWindow");
}

}  // namespace ostrel
