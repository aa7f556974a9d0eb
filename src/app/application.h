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

    // Asks the program to end: the run loop ends at once if it runs, or as
    // soon as start-up reaches it.
    static void requestTerminate();
    static bool terminateRequested();
};

}  // namespace ostrel
