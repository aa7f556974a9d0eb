#pragma once
// A dialog service for tests: records every message box and answers from a
// script (the first button offered when the script is empty).

#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui/dialog_service.h"

namespace ostrel::testing {

class RecordingDialogs final : public DialogService {
public:
    RecordingDialogs() { previous_ = setDialogService(this); }
    ~RecordingDialogs() override { setDialogService(previous_); }
    RecordingDialogs(const RecordingDialogs&) = delete;
    RecordingDialogs& operator=(const RecordingDialogs&) = delete;

    MsgButton message(const MessageRequest& request) override {
        messages.push_back(request);
        if (onMessage) onMessage(request);
        if (!answers.empty()) {
            const MsgButton b = answers.front();
            answers.pop_front();
            return b;
        }
        for (MsgButton b : {MsgOk, MsgYes, MsgNo, MsgCancel, MsgRetry})
            if (request.buttons & b) return b;
        return MsgOk;
    }
    QString openFile(QWidget*, const QString&, const QString&, const QString&) override { return fileAnswer; }
    QString saveFile(QWidget*, const QString& caption, const QString&, const QString&) override {
        saveCaptions << caption;
        return saveAnswer;
    }
    bool chooseFont(QWidget*, QFont& font) override {
        if (!fontAnswer) return false;
        font = *fontAnswer;
        return true;
    }
    bool chooseColor(QWidget*, QColor& color) override {
        if (!colorAnswer.isValid()) return false;
        color = colorAnswer;
        return true;
    }

    int chooseItem(QWidget*, const QString& caption, const QString&, const QStringList& items) override {
        choices.push_back({caption, items});
        return itemAnswer < items.size() ? itemAnswer : -1;
    }

    QStringList texts() const {
        QStringList out;
        for (const auto& m : messages) out << m.text;
        return out;
    }

    std::vector<MessageRequest> messages;
    std::deque<MsgButton> answers;
    // Called with each message before it is answered (what the user does
    // while the box is open).
    std::function<void(const MessageRequest&)> onMessage;
    QString fileAnswer;
    QString saveAnswer;        // what saveFile answers (empty: cancel)
    QStringList saveCaptions;  // every saveFile request's caption
    std::optional<QFont> fontAnswer;
    QColor colorAnswer;
    struct Choice {
        QString caption;
        QStringList items;
    };
    std::vector<Choice> choices;  // every chooseItem request
    int itemAnswer = -1;          // index chooseItem answers (-1: cancel)

private:
    DialogService* previous_ = nullptr;
};

}  // namespace ostrel::testing
