#include "ui/error_display.h"

#include <QCoreApplication>
#include <QSet>

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
    // One box per fault at a time: the same error raised again while its
    // box is open (a pass failing each minute on a locked database) adds
    // no second box.
    static QSet<QString> open;
    if (open.contains(text)) return;
    open.insert(text);
    struct Closed {
        const QString& text;
        ~Closed() { open.remove(text); }
    } closed{text};
    showMessage(text, QStringLiteral("Ostrel Organizer"), MsgIcon::Error);
}

void showError(const std::exception& error) { showError(QString::fromUtf8(error.what())); }

void showCurrentError() { showError(errorText(std::current_exception())); }

}  // namespace ostrel
