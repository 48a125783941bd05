#include "support/MessageRecorder.h"

namespace quorvane::test {

MessageRecorder::MessageRecorder()
    : previous_(setMessagePresenter(this)) {}

MessageRecorder::~MessageRecorder() {
    setMessagePresenter(previous_);
}

int MessageRecorder::present(MessageKind kind, const QString& title, const QString& text) {
    messages_.push_back({kind, title, text});
    if (onMessage_)
        onMessage_(messages_.back());
    if (kind != MessageKind::Question)
        return 1;
    if (answers_.empty())
        return IdNo;
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

QStringList MessageRecorder::Texts() const {
    QStringList texts;
    for (const Message& m : messages_)
        texts << m.text;
    return texts;
}

} // namespace quorvane::test
