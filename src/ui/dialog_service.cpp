#include "ui/dialog_service.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>

#include <cstdio>
#include <memory>

namespace ostrel {
namespace {

QtDialogService g_qtDialogs;
DialogService* g_dialogs = &g_qtDialogs;
std::unique_ptr<DialogService> g_fromEnvironment;
// Set once the program is asked to end: no box waits for an answer then.
bool g_closing = false;

MsgButton firstButton(unsigned buttons) {
    for (MsgButton b : {MsgOk, MsgYes, MsgNo, MsgCancel, MsgRetry})
        if (buttons & b) return b;
    return MsgOk;
}

// The answer of a box closed without a button: what leaves things as they
// are.
MsgButton dismissedAnswer(unsigned buttons) {
    for (MsgButton b : {MsgCancel, MsgNo, MsgOk})
        if (buttons & b) return b;
    return firstButton(buttons);
}

// Writes a message to standard error, for runs without a user.
void writeMessage(const MessageRequest& r) {
    std::fprintf(stderr, "[%s] %s\n", r.caption.toLocal8Bit().constData(), r.text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Shows the message on standard error, then the real box.
class StderrThenBoxService final : public DialogService {
public:
    MsgButton message(const MessageRequest& r) override {
        writeMessage(r);
        return g_qtDialogs.message(r);
    }
    QString openFile(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) override {
        return g_qtDialogs.openFile(parent, caption, folder, filter);
    }
    bool chooseFont(QWidget* parent, QFont& font) override { return g_qtDialogs.chooseFont(parent, font); }
    bool chooseColor(QWidget* parent, QColor& color) override { return g_qtDialogs.chooseColor(parent, color); }
};

}  // namespace

MsgButton QtDialogService::message(const MessageRequest& r) {
    if (g_closing) return dismissedAnswer(r.buttons);
    QMessageBox box(r.parent);
    box.setWindowTitle(r.caption);
    box.setText(r.text);
    switch (r.icon) {
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        case MsgIcon::None: break;
    }
    QMessageBox::StandardButtons buttons;
    if (r.buttons & MsgOk) buttons |= QMessageBox::Ok;
    if (r.buttons & MsgCancel) buttons |= QMessageBox::Cancel;
    if (r.buttons & MsgYes) buttons |= QMessageBox::Yes;
    if (r.buttons & MsgNo) buttons |= QMessageBox::No;
    if (r.buttons & MsgRetry) buttons |= QMessageBox::Retry;
    box.setStandardButtons(buttons ? buttons : QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    const int answer = box.exec();
    if (g_closing) return dismissedAnswer(r.buttons);
    switch (answer) {
        case QMessageBox::Cancel: return MsgCancel;
        case QMessageBox::Yes: return MsgYes;
        case QMessageBox::No: return MsgNo;
        case QMessageBox::Ok: return MsgOk;
        case QMessageBox::Retry: return MsgRetry;
        default: return dismissedAnswer(r.buttons);
    }
}

int QtDialogService::chooseItem(QWidget* parent, const QString& caption, const QString& label,
                                const QStringList& items) {
    if (items.isEmpty() || g_closing) return -1;
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, caption, label, items, 0, false, &ok);
    return ok ? static_cast<int>(items.indexOf(chosen)) : -1;
}

QString QtDialogService::openFile(QWidget* parent, const QString& caption, const QString& folder,
                                  const QString& filter) {
    if (g_closing) return {};
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString QtDialogService::saveFile(QWidget* parent, const QString& caption, const QString& suggested,
                                  const QString& filter) {
    if (g_closing) return {};
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

bool QtDialogService::chooseFont(QWidget* parent, QFont& font) {
    if (g_closing) return false;
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, parent);
    if (ok) font = chosen;
    return ok;
}

bool QtDialogService::chooseColor(QWidget* parent, QColor& color) {
    if (g_closing) return false;
    const QColor chosen = QColorDialog::getColor(color, parent);
    if (!chosen.isValid()) return false;
    color = chosen;
    return true;
}

MsgButton StderrDialogService::message(const MessageRequest& r) {
    writeMessage(r);
    return firstButton(r.buttons);
}

DialogService& dialogs() { return *g_dialogs; }

DialogService* setDialogService(DialogService* service) {
    DialogService* previous = g_dialogs;
    g_dialogs = service ? service : &g_qtDialogs;
    return previous == &g_qtDialogs ? nullptr : previous;
}

void installDialogServiceFromEnvironment() {
    const QString chosen = qEnvironmentVariable("OSTREL_DIALOGS");
    if (chosen == QLatin1String("stderr")) g_fromEnvironment = std::make_unique<StderrDialogService>();
    else if (chosen == QLatin1String("stderr-open")) g_fromEnvironment = std::make_unique<StderrThenBoxService>();
    if (g_fromEnvironment) g_dialogs = g_fromEnvironment.get();
}

void resetDialogsClosingForTesting() { g_closing = false; }

void closeOpenDialogs() {
    g_closing = true;
    // Innermost first: a box opened over a dialog ends before the dialog.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (auto* dialog = qobject_cast<QDialog*>(*it); dialog && dialog->isVisible()) dialog->reject();
    }
}

MsgButton showMessage(const QString& text, const QString& caption, MsgIcon icon, unsigned buttons, QWidget* parent) {
    return dialogs().message({parent, text, caption, icon, buttons});
}

}  // namespace ostrel
