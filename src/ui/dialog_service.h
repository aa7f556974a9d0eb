#pragma once
// Every message box and every file, font and colour dialog of the program
// goes through one service, so tests can replace it and read what the user
// would have been told.

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

class QWidget;

namespace ostrel {

enum class MsgIcon { None, Information, Warning, Error, Question };

// Buttons as a bit set; the answer is one of them.
enum MsgButton : unsigned {
    MsgOk = 1u << 0,
    MsgCancel = 1u << 1,
    MsgYes = 1u << 2,
    MsgNo = 1u << 3,
    MsgRetry = 1u << 4,
};

struct MessageRequest {
    QWidget* parent = nullptr;
    QString text;
    QString caption;
    MsgIcon icon = MsgIcon::None;
    unsigned buttons = MsgOk;
};

class DialogService {
public:
    virtual ~DialogService() = default;
    // Shows a message box and returns the button chosen.
    virtual MsgButton message(const MessageRequest& request) = 0;
    // Open-file dialog; empty when cancelled.
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) = 0;
    // Save-file dialog (asks before replacing a file); empty when
    // cancelled, and from services that show nothing.
    virtual QString saveFile(QWidget* /*parent*/, const QString& /*caption*/, const QString& /*suggested*/,
                             const QString& /*filter*/) {
        return {};
    }
    // Font dialog; returns false when cancelled.
    virtual bool chooseFont(QWidget* parent, QFont& font) = 0;
    // Colour dialog; returns false when cancelled.
    virtual bool chooseColor(QWidget* parent, QColor& color) = 0;
    // Lets the user pick one of items; the index chosen, -1 when cancelled
    // (also the answer of services that show nothing).
    virtual int chooseItem(QWidget* /*parent*/, const QString& /*caption*/, const QString& /*label*/,
                           const QStringList& /*items*/) {
        return -1;
    }
};

// The real dialogs.
class QtDialogService final : public DialogService {
public:
    MsgButton message(const MessageRequest& request) override;
    QString openFile(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter) override;
    bool chooseFont(QWidget* parent, QFont& font) override;
    bool chooseColor(QWidget* parent, QColor& color) override;
    int chooseItem(QWidget* parent, const QString& caption, const QString& label, const QStringList& items) override;
};

// Writes messages to standard error and answers with the first button
// offered, in the order Ok, Yes, No, Cancel, Retry (so a question that
// offers Retry is answered without looping); dialogs are cancelled. Chosen
// by OSTREL_DIALOGS=stderr, for runs without a user (process tests,
// scripted checks). OSTREL_DIALOGS=stderr-open writes each message to
// standard error too and then shows the real box, for process tests of
// what happens while a box is open.
class StderrDialogService final : public DialogService {
public:
    MsgButton message(const MessageRequest& request) override;
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    bool chooseFont(QWidget*, QFont&) override { return false; }
    bool chooseColor(QWidget*, QColor&) override { return false; }
};

DialogService& dialogs();
// Replaces the service (nullptr restores the real dialogs); the caller keeps
// ownership. Returns the previous replacement, if any.
DialogService* setDialogService(DialogService* service);
// Picks the service named by OSTREL_DIALOGS, if any.
void installDialogServiceFromEnvironment();

// Closes every dialog and message box open at the moment as if cancelled
// (a question is answered No or Cancel, never Yes): the program is asked to
// end (a quit signal, the end of the session). Also the dialogs opened
// later in the same start-up are closed at once (see quitRequested()).
void closeOpenDialogs();
// Lets boxes wait for answers again (tests that closed them).
void resetDialogsClosingForTesting();

// Shorthand for a message box.
MsgButton showMessage(const QString& text, const QString& caption, MsgIcon icon = MsgIcon::Information,
                      unsigned buttons = MsgOk, QWidget* parent = nullptr);

}  // namespace ostrel
