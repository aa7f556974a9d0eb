#include "ui/help_key.h"

#include <QKeyEvent>
#include <QWidget>

#include "ui/help_link.h"

namespace ostrel {

int helpContextOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        bool ok = false;
        const int context = w->property("helpContext").toInt(&ok);
        if (ok && context > 0) return context;
        // Each window has its own help: the search ends at the window.
        if (w->isWindow()) break;
    }
    return 0;
}

bool HelpKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    const int context = helpContextOf(static_cast<QWidget*>(watched));
    if (context <= 0) return false;
    ShowHelpContext(context);
    return true;
}

}  // namespace ostrel
