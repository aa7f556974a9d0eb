#pragma once

#include <QApplication>

namespace ostrel {

// The application object. Errors that escape an event handler end up in
// notify(), which shows them through the default error display; the command
// that raised them stops and the program goes on.
class OstrelApplication : public QApplication {
    Q_OBJECT
public:
    OstrelApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // The application title, "Ostrel Organizer" once start-up has set it.
    static QString title();
    static void setTitle(const QString& title);
};

}  // namespace ostrel
