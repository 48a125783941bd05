#include "cli/MergeCommand.h"

#include "store/Schema.h"
#include "store/ShardMerge.h"

#include <QElapsedTimer>

namespace quorvane {

namespace {

QString refusalText(const MergeReport& report) {
    switch (report.end) {
    case MergeEnd::FileMissing:
        return QStringLiteral("找不到要合并的文件: ") + report.file;
    case MergeEnd::NotOurs:
        return report.file + QStringLiteral(" 不是本程序的数据库, 或其密码不同; 未合并任何内容");
    case MergeEnd::SameFile:
        return report.file + QStringLiteral(" 就是本程序的数据库, 不能与自身合并; 未合并任何内容");
    case MergeEnd::WriteFailed:
        return QStringLiteral("合并未能保存, 数据库未改动：") + plainWords(report.failure);
    case MergeEnd::Merged:
        break;
    }
    return {};
}

QString summaryLine(const MergeReport& report, double seconds) {
    QString line =
        QStringLiteral("合并完成: %1 个文件, %2 个关键词, 其中 %3 个更新了排名, %4 个本数据库的较新而保留, "
                       "写入 %5 行历史记录")
            .arg(report.files)
            .arg(report.keywords)
            .arg(report.keywordsUpdated)
            .arg(report.keywordsNewerHere)
            .arg(report.historyRows);
    if (!report.unknownKeywords.isEmpty())
        line += QStringLiteral(", 本数据库没有的关键词 %1 个 (未添加)").arg(report.unknownKeywords.size());
    if (!report.skippedRows.empty())
        line += QStringLiteral(", 跳过 %1 行无效数据 (未合并)").arg(report.skippedRows.size());
    if (report.filesWithoutRecord > 0)
        line += QStringLiteral(", %1 个文件没有分片运行的记录").arg(report.filesWithoutRecord);
    return line + QStringLiteral(", 用时 %1 秒").arg(seconds, 0, 'f', 1);
}

} // namespace

int runMerge(Database& database, const CommandLineOptions& options, ConsoleMessages& messages,
             std::FILE* out) {
    QElapsedTimer clock;
    clock.start();
    const MergeReport report =
        mergeShardCopies(database, options.mergeFiles, QString::fromUtf16(kDbPassword));
    if (report.end != MergeEnd::Merged) {
        messages.present(MessageKind::Error, QStringLiteral("Error"), refusalText(report));
        return report.end == MergeEnd::WriteFailed ? ExitStoppedOrFailed : ExitNoDatabase;
    }
    for (const QString& keyword : report.unknownKeywords)
        messages.present(MessageKind::Information, QStringLiteral("Information"),
                         QStringLiteral("本数据库没有此关键词, 未合并: ") + keyword);
    // A value no run writes (a broken or tampered copy) is named where it is, never stored.
    for (const SkippedRow& row : report.skippedRows)
        messages.present(
            MessageKind::Error, QStringLiteral("Error"),
            QStringLiteral("无效数据, 未合并: %1  %2  %3").arg(row.file, row.keyword, row.column));
    writeLine(out, summaryLine(report, static_cast<double>(clock.nsecsElapsed()) / 1e9));
    return ExitCompleted;
}

} // namespace quorvane
