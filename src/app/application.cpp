#include "app/application.h"

#include "ui/error_display.h"

namespace ostrel {
namespace {
QString g_title;
bool g_terminate = false;
}

OstrelApplication::OstrelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool OstrelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showCurrentError();
        return false;
    }
}

QString OstrelApplication::title() {
    return g_title;
}

void OstrelApplication::setTitle(const QString& title) {
    g_title = title;
}

void OstrelApplication::requestTerminate() {
    g_terminate = true;
    if (QCoreApplication::instance()) QCoreApplication::quit();
}

bool OstrelApplication::terminateRequested() {
    return g_terminate;
}

}  // namespace ostrel
