#include "cli/CommandLineOptions.h"

#include "engine/EngineTable.h"

#include <QCommandLineParser>
#include <QSet>

#include <vector>

namespace quorvane {

namespace {

// An option as the parser knows it and as the usage shows it.
struct OptionText {
    QStringList names;   // the long name last; the usage shows it
    QString valueName;   // the parser's: the option takes a value when set
    QString shownValue;  // what the usage writes after the name
    QString description; // a line per "\n"; lines after the first are indented under it
};

QString engineNames() {
    QStringList names;
    for (const EngineInfo& info : kEngines)
        names << info.name.toString();
    return names.join(u',');
}

const std::vector<OptionText>& optionTexts() {
    static const std::vector<OptionText> texts = {
        {{QStringLiteral("update")}, {}, {}, QStringLiteral("批量更新排名")},
        {{QStringLiteral("engines")},
         QStringLiteral("列表"),
         QStringLiteral("列表"),
         QStringLiteral("要查询的搜索引擎, 以逗号分隔 (默认全部):\n") + engineNames()},
        {{QStringLiteral("pages")},
         QStringLiteral("N"),
         QStringLiteral("N"),
         QStringLiteral("查询范围: 从第1页至第N页, N 为 1 至 10 (默认 1)")},
        {{QStringLiteral("shard")},
         QStringLiteral("K/N"),
         QStringLiteral("K/N"),
         QStringLiteral("只查询 N 份中的第 K 份关键词 (K 为 0 至 N-1): 编号除以 N 余 K 的关键词;\n"
                        "记下查过的关键词, 以便用 --merge 合并")},
        // The files are the positional arguments, so that one option takes any number of them.
        {{QStringLiteral("merge")},
         {},
         QStringLiteral("文件..."),
         QStringLiteral("把各份 (--shard) 在数据库副本中查过的关键词合并到本程序的数据库")},
        {{QStringLiteral("quiet")},
         {},
         {},
         QStringLiteral("不输出每个关键词的结果和提示信息, 只输出汇总和错误")},
        {{QStringLiteral("print-engines")},
         {},
         {},
         QStringLiteral("输出所用的搜索引擎定义 (内置的, 及 Engines.ini 的修改)")},
        {{QStringLiteral("h"), QStringLiteral("help")}, {}, {}, QStringLiteral("显示本帮助")},
        {{QStringLiteral("version")}, {}, {}, QStringLiteral("显示版本")},
    };
    return texts;
}

QString dashed(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// The option an argument names ("--pages=3" names pages, "-h" names h), or none.
const OptionText* optionOf(QStringView argument) {
    QString name;
    if (argument.startsWith(u"--"))
        name = argument.mid(2).split(u'=').first().toString();
    else if (argument.size() == 2 && argument.startsWith(u'-'))
        name = argument.mid(1).toString();
    else
        return nullptr;
    for (const OptionText& text : optionTexts())
        for (const QString& known : text.names)
            if (known == name && dashed(known) == argument.first(name.size() + (name.size() == 1 ? 1 : 2)))
                return &text;
    return nullptr;
}

ParsedCommandLine failure(QString error) {
    return {std::nullopt, std::move(error)};
}

// The parser's complaint in the program's own words.
QString parserMistake(const QStringList& arguments, const QString& parserText) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("--"))
            break;
        if (!argument.startsWith(u'-') || argument.size() == 1)
            continue;
        const OptionText* option = optionOf(argument);
        if (!option)
            return QStringLiteral("无法识别的参数: ") + argument;
        const QString name = dashed(option->names.last());
        if (argument.contains(u'=') && option->valueName.isEmpty())
            return QStringLiteral("参数不带值: ") + name;
        if (!option->valueName.isEmpty() && !argument.contains(u'=') && i + 1 == arguments.size())
            return QStringLiteral("缺少参数的值: ") + name;
        if (!option->valueName.isEmpty() && !argument.contains(u'='))
            ++i; // its value, whatever it looks like
    }
    return parserText;
}

// "Baidu,google" as table names in table order, or why not.
std::optional<QStringList> engineList(const QString& text, QString* error) {
    QSet<QString> chosen;
    for (const QString& part : text.split(u',')) {
        const QString name = part.trimmed();
        const EngineInfo* found = nullptr;
        for (const EngineInfo& info : kEngines)
            if (name.compare(info.name, Qt::CaseInsensitive) == 0)
                found = &info;
        if (!found) {
            *error = name.isEmpty() ? QStringLiteral("--engines 的引擎列表中有空项")
                                    : QStringLiteral("未知的搜索引擎: ") + name;
            return std::nullopt;
        }
        chosen.insert(found->name.toString());
    }
    QStringList engines;
    for (const EngineInfo& info : kEngines)
        if (chosen.contains(info.name.toString()))
            engines << info.name.toString();
    return engines;
}

// "2/5" as shard 2 of 5, or nothing when it is not one.
std::optional<Shard> shardOf(const QString& text) {
    const QStringList parts = text.split(u'/');
    if (parts.size() != 2)
        return std::nullopt;
    bool indexOk = false;
    bool countOk = false;
    const int index = parts[0].trimmed().toInt(&indexOk);
    const int count = parts[1].trimmed().toInt(&countOk);
    if (!indexOk || !countOk || count < 1 || index < 0 || index >= count)
        return std::nullopt;
    return Shard{index, count};
}

// The width a terminal gives the text: Chinese characters take two columns.
qsizetype shownWidth(const QString& text) {
    qsizetype width = 0;
    for (const QChar c : text)
        width += c.unicode() < 0x1100 ? 1 : 2;
    return width;
}

} // namespace

bool isCommandLineRun(const QStringList& arguments) {
    // Qt's own options for the window have one dash (-platform, -style); anything with two that is not
    // ours is a mistyped option of ours, answered with the usage rather than with a window.
    for (const QString& argument : arguments)
        if (optionOf(argument) || argument.startsWith(u"--"))
            return true;
    return false;
}

bool isCommandLineRun(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return isCommandLineRun(arguments);
}

ParsedCommandLine parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    for (const OptionText& text : optionTexts())
        parser.addOption(QCommandLineOption(text.names, text.description, text.valueName));
    if (!parser.parse(QStringList{QStringLiteral("Quorvane")} + arguments))
        return failure(parserMistake(arguments, parser.errorText()));

    QSet<QString> seen;
    for (const QString& name : parser.optionNames()) {
        if (seen.contains(name))
            return failure(QStringLiteral("参数重复: ") + dashed(name));
        seen.insert(name);
    }
    auto isSet = [&parser](const char* name) { return parser.isSet(QString::fromLatin1(name)); };

    CommandLineOptions options;
    for (const EngineInfo& info : kEngines)
        options.engines << info.name.toString();
    if (isSet("engines")) {
        QString error;
        std::optional<QStringList> engines = engineList(parser.value(QStringLiteral("engines")), &error);
        if (!engines)
            return failure(error);
        options.engines = *engines;
    }
    if (isSet("pages")) {
        const QString value = parser.value(QStringLiteral("pages"));
        bool ok = false;
        const int pages = value.trimmed().toInt(&ok);
        if (!ok || pages < 1 || pages > 10)
            return failure(QStringLiteral("--pages 应为 1 至 10 之间的整数: ") + value);
        options.pages = pages;
    }
    if (isSet("shard")) {
        const QString value = parser.value(QStringLiteral("shard"));
        options.shard = shardOf(value);
        if (!options.shard)
            return failure(QStringLiteral("--shard 应为 K/N, N 为正整数, K 为 0 至 N-1 之间的整数: ") +
                           value);
    }
    options.quiet = isSet("quiet");
    const bool merge = isSet("merge");
    if (merge)
        options.mergeFiles = parser.positionalArguments();
    else if (!parser.positionalArguments().isEmpty())
        return failure(QStringLiteral("无法识别的参数: ") + parser.positionalArguments().first());

    if (isSet("help")) {
        options.action = CommandLineOptions::Action::Help;
        return {options, {}};
    }
    if (isSet("version")) {
        options.action = CommandLineOptions::Action::Version;
        return {options, {}};
    }
    if (isSet("print-engines")) {
        options.action = CommandLineOptions::Action::PrintEngines;
        return {options, {}};
    }
    const bool update = isSet("update");
    const bool updateOnly = isSet("engines") || isSet("pages") || isSet("shard");
    if (update && merge)
        return failure(QStringLiteral("--update 和 --merge 不能一起使用"));
    if (merge) {
        if (updateOnly)
            return failure(QStringLiteral("--engines、--pages 和 --shard 只能与 --update 一起使用"));
        if (options.mergeFiles.isEmpty())
            return failure(QStringLiteral("--merge 缺少要合并的文件"));
        options.action = CommandLineOptions::Action::Merge;
        return {options, {}};
    }
    if (!update) {
        if (isSet("shard"))
            return failure(QStringLiteral("--shard 只能与 --update 一起使用"));
        return failure(updateOnly || options.quiet
                           ? QStringLiteral("--engines、--pages 和 --quiet 只能与 --update 一起使用")
                           : QStringLiteral("缺少 --update"));
    }
    return {options, {}};
}

QString usageText() {
    QString text = QStringLiteral(
        "用法: Quorvane --update [--engines 引擎,...] [--pages N] [--shard K/N] [--quiet]\n"
        "      Quorvane --merge 文件... [--quiet]\n"
        "      Quorvane --print-engines | --help | --version\n"
        "\n"
        "不打开窗口, 批量更新所有已启用关键词的排名 (与窗口中的 \"批量更新排名\" 相同), 完成后退出.\n"
        "\n");
    constexpr qsizetype kColumn = 19; // where the descriptions start, after two spaces
    for (const OptionText& option : optionTexts()) {
        QString shown = dashed(option.names.last());
        if (!option.shownValue.isEmpty())
            shown += u' ' + option.shownValue;
        const QStringList lines = option.description.split(u'\n');
        text += QStringLiteral("  ") + shown +
                QString(std::max<qsizetype>(1, kColumn - shownWidth(shown)), u' ') + lines.first() + u'\n';
        for (qsizetype i = 1; i < lines.size(); ++i)
            text += QString(kColumn + 2, u' ') + lines[i] + u'\n';
    }
    text += QStringLiteral("\n退出状态: 0 完成; 1 已停止或失败; 2 参数错误; 3 无法打开数据库或要合并的文件; "
                           "4 程序已在运行\n");
    return text;
}

namespace {

// Text as roff shows it literally: backslashes, dashes and a line's leading dot or quote escaped.
QString roff(const QString& text) {
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\e"));
    escaped.replace(u'-', QStringLiteral("\\-"));
    if (escaped.startsWith(u'.') || escaped.startsWith(u'\''))
        escaped.prepend(QStringLiteral("\\&"));
    return escaped;
}

} // namespace

QString manualPageText() {
    QString text =
        QStringLiteral(".TH QUORVANE 1 \"\" \"Quorvane 1.3\" \"User Commands\"\n"
                       ".SH NAME\n"
                       "quorvane \\- 网站关键词搜索引擎排名查询\n"
                       ".SH SYNOPSIS\n"
                       ".B quorvane\n"
                       ".br\n"
                       ".B quorvane\n"
                       ".RI [ 选项 ...]\n"
                       ".SH DESCRIPTION\n"
                       "不带参数时打开窗口. 带下列选项时不打开窗口, 也不需要显示器: \\-\\-update "
                       "批量更新所有已启用关键词的排名 (与窗口中的 \"批量更新排名\" 相同), 完成后退出.\n"
                       ".SH OPTIONS\n");
    for (const OptionText& option : optionTexts()) {
        // The name in bold, its value (when it takes one) in italics.
        const QString name = roff(dashed(option.names.last()));
        if (option.shownValue.isEmpty())
            text += QStringLiteral(".TP\n.B ") + name + u'\n';
        else
            text += QStringLiteral(".TP\n.BI ") + name + QStringLiteral(" \" ") + roff(option.shownValue) +
                    QStringLiteral("\"\n");
        const QStringList lines = option.description.split(u'\n');
        for (qsizetype i = 0; i < lines.size(); ++i)
            text += (i > 0 ? QStringLiteral(".br\n") : QString()) + roff(lines[i]) + u'\n';
    }
    text += QStringLiteral(
        ".SH EXIT STATUS\n"
        ".TP\n0\n完成 (关键词列表为空时也是)\n"
        ".TP\n1\n已停止, 失败, 或一页结果也没有读到\n"
        ".TP\n2\n参数错误\n"
        ".TP\n3\n无法打开数据库 (或无法创建、写入数据文件夹); \\-\\-merge 时: 要合并的文件不存在、"
        "不是本程序的数据库或密码不同\n"
        ".TP\n4\n程序已在运行\n"
        ".SH FILES\n"
        "程序所在的文件夹可写入且其中有 DataBase/Trevanid.mdb 时 (解压或编译得到的程序), "
        "所有文件都在程序旁边. 否则 (安装的程序):\n"
        ".TP\n$XDG_DATA_HOME/Quorvane/ (默认 ~/.local/share/Quorvane/)\n"
        "DataBase/Trevanid.mdb, Logs/, 历史记录曲线排名模板.xls; 第一次启动时创建\n"
        ".TP\n$XDG_CONFIG_HOME/Quorvane/ (默认 ~/.config/Quorvane/)\n"
        "Endpoints.ini, Engines.ini\n"
        ".PP\n"
        "\\-\\-version 显示所用的文件夹.\n");
    return text;
}

QString versionText(const ProgramFolders& folders) {
    return QStringLiteral("Quorvane 1.3\n") + QStringLiteral("程序文件夹: ") + folders.program +
           QStringLiteral("\n数据文件夹: ") + folders.data + QStringLiteral("\n设置文件夹: ") +
           folders.config +
           (folders.besideExecutable ? QStringLiteral("\n(数据和设置都在程序所在的文件夹中)\n")
                                     : QStringLiteral("\n"));
}

} // namespace quorvane
