#pragma once
// F1 in any window asks for the help of that window's context number: the
// dynamic property "helpContext" of the widget that has the key or of the
// nearest of its parents inside the same window that sets one above 0.

#include <QObject>

class QWidget;

namespace ostrel {

// The help context number that F1 in widget stands for; 0 for none.
int helpContextOf(const QWidget* widget);

// Installed on the application; catches F1 (without modifiers) and calls
// ShowHelpContext (help_link.h) when the widget has a context.
class HelpKeyFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace ostrel
