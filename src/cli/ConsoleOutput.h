#pragma once

#include "platform/Messages.h"

#include <QString>

#include <cstdio>

namespace quorvane {

// Writes one line of text as UTF-8 and flushes it, so that a log file or a pipe sees every line when it
// is written.
void writeLine(std::FILE* stream, const QString& line);

// The message boxes of a run without a window: every message goes to standard error as "title: text";
// questions are answered No (nobody is there to say Yes). Quiet drops the information messages. Counts the
// errors, so that a run that reported one does not end as a success. Installs itself and puts the previous
// presenter back when it goes.
class ConsoleMessages final : public MessagePresenter {
public:
    explicit ConsoleMessages(std::FILE* stream, bool quiet = false);
    ~ConsoleMessages() override;
    ConsoleMessages(const ConsoleMessages&) = delete;
    ConsoleMessages& operator=(const ConsoleMessages&) = delete;

    int present(MessageKind kind, const QString& title, const QString& text) override;

    // Error messages and error reports shown so far.
    int errors() const { return errors_; }

private:
    std::FILE* stream_;
    bool quiet_;
    int errors_ = 0;
    MessagePresenter* previous_;
};

} // namespace quorvane
