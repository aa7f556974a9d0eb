#include "ui/error_display.h"

#include <QCoreApplication>

#include "ui/dialog_service.h"

namespace ostrel {

QString errorText(const std::exception_ptr& error) {
    try {
        if (error) std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
    }
    return QStringLiteral("An unexpected error occurred.");
}

void showError(const QString& text) {
    showMessage(text, QStringLiteral("Ostrel Organizer"), MsgIcon::Error);
}

void showError(const std::exception& error) {
    showError(QString::fromUtf8(error.what()));
}

void showCurrentError() {
    showError(errorText(std::current_exception()));
}

}  // namespace ostrel
