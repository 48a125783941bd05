#include "cli/ReadPageCommand.h"

#include "cli/CommandLineOptions.h"
#include "cli/ConsoleOutput.h"
#include "engine/EngineDefinitions.h"
#include "engine/EngineScanners.h"
#include "engine/VerificationPages.h"
#include "pages/PageReader.h"
#include "platform/GbkCodec.h"

#include <QFile>

namespace quorvane {

namespace {

// A field of a tab-separated line: tabs and line breaks in it would split it.
QString field(QString text) {
    for (QChar& c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return text;
}

} // namespace

int runReadPage(const QString& file, const QString& engine, std::FILE* out, std::FILE* err) {
    QFile page(file);
    if (!page.open(QIODevice::ReadOnly)) {
        writeLine(err, QStringLiteral("无法读取文件 %1: %2").arg(file, page.errorString()));
        return ExitBadArguments;
    }
    const QByteArray bytes = page.readAll();
    if (page.error() != QFileDevice::NoError) {
        writeLine(err, QStringLiteral("无法读取文件 %1: %2").arg(file, page.errorString()));
        return ExitBadArguments;
    }
    // Read in a page reader, as a run reads its pages. The page's own charset declaration decides; without
    // one, UTF-8 when the bytes are valid UTF-8, else GBK.
    PageReader reader;
    const PageReaderReply reply = readEnginePage(reader, engine, {bytes, {}}, MarkupWanted::WhenUnread);
    if (!reply.read()) {
        writeLine(err, QStringLiteral("%1: 无法识别结果页 (%2)").arg(file, readerEndNote(reply)));
        return ExitStoppedOrFailed;
    }
    const PageReading& reading = reply.reading;
    if (reading.results.isEmpty()) {
        if (reading.noResultsPage) {
            writeLine(err, QStringLiteral("%1: 搜索引擎没有找到结果 (没有结果的结果页)").arg(file));
            return ExitCompleted;
        }
        const EngineInfo* info = findEngine(engine);
        const bool verification = isVerificationPage(engine, fromGbk(reading.rootGbk),
                                                     info ? definition(*info).blockedMarks : QStringList());
        writeLine(err, verification ? QStringLiteral("%1: 这是搜索引擎的验证页面, 不是结果页").arg(file)
                                    : QStringLiteral("%1: 无法识别结果页").arg(file));
        return ExitStoppedOrFailed;
    }
    for (qsizetype i = 0; i < reading.results.size(); ++i) {
        const PageResult& r = reading.results[i];
        QString line = QString::number(i + 1) + u'\t' + field(r.address) + u'\t' + field(r.shownAddress);
        if (r.promoted)
            line += QStringLiteral("\tpromoted");
        writeLine(out, line);
    }
    return ExitCompleted;
}

} // namespace quorvane
