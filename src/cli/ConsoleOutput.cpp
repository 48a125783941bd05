#include "cli/ConsoleOutput.h"

namespace quorvane {

namespace {

// The word before a message on the console. The boxes' English titles are for the windows; whoever reads a
// console or a cron mail reads the program's language.
QString consolePrefix(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information:
        return QStringLiteral("提示");
    case MessageKind::Question:
        return QStringLiteral("询问");
    case MessageKind::Error:
    case MessageKind::Report:
        break;
    }
    return QStringLiteral("错误");
}

} // namespace

void writeLine(std::FILE* stream, const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

ConsoleMessages::ConsoleMessages(std::FILE* stream, bool quiet)
    : stream_(stream)
    , quiet_(quiet)
    , previous_(setMessagePresenter(this)) {}

ConsoleMessages::~ConsoleMessages() {
    setMessagePresenter(previous_);
}

int ConsoleMessages::present(MessageKind kind, const QString& /*title*/, const QString& text) {
    if (kind == MessageKind::Error || kind == MessageKind::Report)
        ++errors_;
    if (!(quiet_ && kind == MessageKind::Information))
        writeLine(stream_, consolePrefix(kind) + QStringLiteral("：") + text);
    return kind == MessageKind::Question ? IdNo : 1;
}

} // namespace quorvane
