#include "app/application.h"

#include "ui/app_commands.h"
#include "ui/error_display.h"

namespace ostrel {
namespace {
QString g_title;
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

QString OstrelApplication::title() { return g_title; }

void OstrelApplication::setTitle(const QString& title) { g_title = title; }

void OstrelApplication::requestTerminate() { ostrel::requestTerminate(); }

bool OstrelApplication::terminateRequested() { return ostrel::terminateRequested(); }

}  // namespace ostrel
