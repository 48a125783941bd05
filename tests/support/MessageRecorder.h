#pragma once

#include "platform/Messages.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace quorvane::test {

// Records every message the program shows and answers questions from a script, without a modal loop.
// Installs itself on construction and puts the previous presenter back when destroyed.
class MessageRecorder final : public MessagePresenter {
public:
    struct Message {
        MessageKind kind;
        QString title;
        QString text;
    };

    MessageRecorder();
    ~MessageRecorder() override;
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // The answer to the next question (IdYes, IdNo, IdCancel); unscripted questions are answered No.
    void AnswerNext(int answer) { answers_.push_back(answer); }
    // Runs while a message is on screen, as a user acting before closing it would.
    void OnMessage(std::function<void(const Message&)> action) { onMessage_ = std::move(action); }

    int present(MessageKind kind, const QString& title, const QString& text) override;

    const std::vector<Message>& Messages() const { return messages_; }
    QStringList Texts() const;
    void Clear() { messages_.clear(); }

private:
    MessagePresenter* previous_;
    std::deque<int> answers_;
    std::vector<Message> messages_;
    std::function<void(const Message&)> onMessage_;
};

} // namespace quorvane::test
