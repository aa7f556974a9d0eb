#pragma once
// Reaching a window's controls by their objectName, as a user's script
// would, rather than through members of the window class:
//
//   auto* title = child<QLineEdit>(editor, "edTitle");
//
// A control that is missing (or of another class) fails the running test
// with its name and stops the test function, instead of handing back a null
// pointer to crash on.

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <QtTest>

#include <stdexcept>

namespace ostrel::testing {

template <class W>
W* child(const QObject& parent, const char* name) {
    W* found = parent.findChild<W*>(QLatin1String(name));
    if (!found) {
        const QString what =
            QStringLiteral("no %1 named \"%2\" in %3")
                .arg(QLatin1String(W::staticMetaObject.className()), QLatin1String(name), parent.objectName());
        QTest::qFail(qPrintable(what), __FILE__, __LINE__);
        throw std::runtime_error(what.toStdString());
    }
    return found;
}

// Whether the clock's notification-area icon is shown; the icon is made
// only when first shown.
inline bool trayIconShown(const QObject& clock) {
    const auto* icon = clock.findChild<QSystemTrayIcon*>(QStringLiteral("spTrayIcon1"));
    return icon && icon->isVisible();
}

}  // namespace ostrel::testing
