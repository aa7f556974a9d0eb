#include "ui/dialog_service.h"

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

MsgButton firstButton(unsigned buttons) {
    for (MsgButton b : {MsgOk, MsgYes, MsgNo, MsgCancel})
        if (buttons & b) return b;
    return MsgOk;
}

}  // namespace

MsgButton QtDialogService::message(const MessageRequest& r) {
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
    box.setStandardButtons(buttons ? buttons : QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    switch (box.exec()) {
        case QMessageBox::Cancel: return MsgCancel;
        case QMessageBox::Yes: return MsgYes;
        case QMessageBox::No: return MsgNo;
        case QMessageBox::Ok: return MsgOk;
        default: return (r.buttons & MsgCancel) ? MsgCancel : firstButton(r.buttons);
    }
}

int QtDialogService::chooseItem(QWidget* parent, const QString& caption, const QString& label,
                                const QStringList& items) {
    if (items.isEmpty()) return -1;
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, caption, label, items, 0, false, &ok);
    return ok ? static_cast<int>(items.indexOf(chosen)) : -1;
}

QString QtDialogService::openFile(QWidget* parent, const QString& caption, const QString& folder,
                                  const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString QtDialogService::saveFile(QWidget* parent, const QString& caption, const QString& suggested,
                                  const QString& filter) {
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

bool QtDialogService::chooseFont(QWidget* parent, QFont& font) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, parent);
    if (ok) font = chosen;
    return ok;
}

bool QtDialogService::chooseColor(QWidget* parent, QColor& color) {
    const QColor chosen = QColorDialog::getColor(color, parent);
    if (!chosen.isValid()) return false;
    color = chosen;
    return true;
}

MsgButton StderrDialogService::message(const MessageRequest& r) {
    std::fprintf(stderr, "[%s] %s\n", r.caption.toLocal8Bit().constData(), r.text.toLocal8Bit().constData());
    std::fflush(stderr);
    return firstButton(r.buttons);
}

DialogService& dialogs() { return *g_dialogs; }

DialogService* setDialogService(DialogService* service) {
    DialogService* previous = g_dialogs;
    g_dialogs = service ? service : &g_qtDialogs;
    return previous == &g_qtDialogs ? nullptr : previous;
}

void installDialogServiceFromEnvironment() {
    if (qEnvironmentVariable("OSTREL_DIALOGS") == QLatin1String("stderr")) {
        g_fromEnvironment = std::make_unique<StderrDialogService>();
        g_dialogs = g_fromEnvironment.get();
    }
}

MsgButton showMessage(const QString& text, const QString& caption, MsgIcon icon, unsigned buttons, QWidget* parent) {
    return dialogs().message({parent, text, caption, icon, buttons});
}

}  // namespace ostrel
