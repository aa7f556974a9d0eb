#include "ui/find_key.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

#include "ui/app_commands.h"

namespace ostrel {

void installFindKey(QWidget* window) {
    if (!window || window->findChild<QShortcut*>(QStringLiteral("scFind"), Qt::FindDirectChildrenOnly)) return;
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), window);
    shortcut->setObjectName(QStringLiteral("scFind"));
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, [] { runCommand(AppCommand::Find); });
}

}  // namespace ostrel
