#include "cli/ConsoleOutput.h"

namespace quorvane {

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

int ConsoleMessages::present(MessageKind kind, const QString& title, const QString& text) {
    if (kind == MessageKind::Error || kind == MessageKind::Report)
        ++errors_;
    if (!(quiet_ && kind == MessageKind::Information))
        writeLine(stream_, title + QStringLiteral(": ") + text);
    return kind == MessageKind::Question ? IdNo : 1;
}

} // namespace quorvane
