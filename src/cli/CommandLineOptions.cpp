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
    for (const EngineInfo& info : engines())
        names << info.name.toString();
    return names.join(u',');
}

// "Soso 和 Youdao 的网页搜索已关闭" for the engines the table marks as retired.
QString retiredEnginesLine() {
    QStringList names;
    for (const EngineInfo& info : engines())
        if (info.retired)
            names << info.name.toString();
    return names.isEmpty() ? QString()
                           : u'\n' + names.join(QStringLiteral(" 和 ")) + QStringLiteral(" 的网页搜索已关闭");
}

const std::vector<OptionText>& optionTexts() {
    static const std::vector<OptionText> texts = {
        {{QStringLiteral("update")}, {}, {}, QStringLiteral("批量更新排名")},
        {{QStringLiteral("engines")},
         QStringLiteral("列表"),
         QStringLiteral("列表"),
         QStringLiteral("要查询的搜索引擎, 以逗号分隔 (默认全部):\n") + engineNames() + retiredEnginesLine()},
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
        {{QStringLiteral("read-page")},
         QStringLiteral("文件"),
         QStringLiteral("文件"),
         QStringLiteral("把保存的结果页 (例如 Logs/unparsed/ 中的) 当作 --engine 所指搜索引擎的结果页读取,\n"
                        "每个结果输出一行: 位置<TAB>网址<TAB>显示的网址<TAB>promoted (推广结果)")},
        {{QStringLiteral("engine")},
         QStringLiteral("名称"),
         QStringLiteral("名称"),
         QStringLiteral("--read-page 所用的搜索引擎: ") + engineNames().replace(u',', QStringLiteral(", "))},
        {{QStringLiteral("add-site")},
         QStringLiteral("网址"),
         QStringLiteral("网址 [关键词...]"),
         QStringLiteral("添加网址及其关键词 (网址已有时: 设定其匹配方式, 添加其没有的关键词)")},
        {{QStringLiteral("match")},
         QStringLiteral("方式"),
         QStringLiteral("方式"),
         QStringLiteral("与 --add-site 一起: 什么结果算作该网址 (新网址默认 address):\n"
                        "address 完整网址; host 同一主机; domain 整个域名 (含子域名)")},
        {{QStringLiteral("add-keywords")},
         QStringLiteral("网址"),
         QStringLiteral("网址 文件"),
         QStringLiteral("把文本文件中的关键词 (每行一个) 添加到该网址")},
        {{QStringLiteral("list")},
         {},
         {},
         QStringLiteral(
             "列出所有网址和关键词: 匹配方式, 最新排名, 更新时间\n(UTF-8, 以制表符分隔, 第一行为标题)")},
        {{QStringLiteral("remove-site")},
         QStringLiteral("网址"),
         QStringLiteral("网址"),
         QStringLiteral("删除网址 (与设置窗口相同: 其关键词和历史记录保留)")},
        {{QStringLiteral("remove-keyword")},
         QStringLiteral("网址"),
         QStringLiteral("网址 关键词"),
         QStringLiteral("删除该网址下的关键词 (历史记录保留)")},
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
        for (const EngineInfo& info : engines())
            if (name.compare(info.name, Qt::CaseInsensitive) == 0)
                found = &info;
        if (!found) {
            *error = name.isEmpty() ? QStringLiteral("--engines 的引擎列表中有空项")
                                    : QStringLiteral("未知的搜索引擎: ") + name;
            return std::nullopt;
        }
        chosen.insert(found->name.toString());
    }
    QStringList names;
    for (const EngineInfo& info : engines())
        if (chosen.contains(info.name.toString()))
            names << info.name.toString();
    return names;
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
    for (const EngineInfo& info : engines())
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
    // The site and keyword commands: at most one, and the positional arguments they take.
    struct SiteCommand {
        const char* name;
        CommandLineOptions::Action action;
        int least; // positional arguments
        int most;  // -1: any number
        const char* missing;
    };
    static const SiteCommand siteCommands[] = {
        {"add-site", CommandLineOptions::Action::AddSite, 0, -1, ""},
        {"add-keywords", CommandLineOptions::Action::AddKeywords, 1, 1, "--add-keywords 缺少关键词文件"},
        {"list", CommandLineOptions::Action::List, 0, 0, ""},
        {"remove-site", CommandLineOptions::Action::RemoveSite, 0, 0, ""},
        {"remove-keyword", CommandLineOptions::Action::RemoveKeyword, 1, 1, "--remove-keyword 缺少关键词"},
    };
    const SiteCommand* siteCommand = nullptr;
    for (const SiteCommand& command : siteCommands) {
        if (!isSet(command.name))
            continue;
        if (siteCommand)
            return failure(dashed(QString::fromLatin1(siteCommand->name)) + QStringLiteral(" 和 ") +
                           dashed(QString::fromLatin1(command.name)) + QStringLiteral(" 不能一起使用"));
        siteCommand = &command;
    }
    if (isSet("match") && (!siteCommand || siteCommand->action != CommandLineOptions::Action::AddSite))
        return failure(QStringLiteral("--match 只能与 --add-site 一起使用"));
    const QStringList positional = parser.positionalArguments();
    if (merge)
        options.mergeFiles = positional;
    else if (siteCommand) {
        if (positional.size() < siteCommand->least)
            return failure(QString::fromUtf8(siteCommand->missing));
        if (siteCommand->most >= 0 && positional.size() > siteCommand->most)
            return failure(QStringLiteral("无法识别的参数: ") + positional.at(siteCommand->most));
    } else if (!positional.isEmpty())
        return failure(QStringLiteral("无法识别的参数: ") + positional.first());

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
    if (isSet("read-page") || isSet("engine")) {
        if (!isSet("read-page") || !isSet("engine"))
            return failure(QStringLiteral("--read-page 和 --engine 须一起使用"));
        if (isSet("update") || merge || siteCommand || isSet("engines") || isSet("pages") || isSet("shard"))
            return failure(QStringLiteral("--read-page 不能与 --update、--merge、--engines、--pages 或 "
                                          "--shard 一起使用"));
        QString error;
        const std::optional<QStringList> engine = engineList(parser.value(QStringLiteral("engine")), &error);
        if (!engine || engine->size() != 1)
            return failure(engine ? QStringLiteral("--engine 只能指定一个搜索引擎") : error);
        options.action = CommandLineOptions::Action::ReadPage;
        options.pageFile = parser.value(QStringLiteral("read-page"));
        options.pageEngine = engine->first();
        return {options, {}};
    }
    const bool update = isSet("update");
    const bool updateOnly = isSet("engines") || isSet("pages") || isSet("shard");
    if (siteCommand) {
        const QString name = dashed(QString::fromLatin1(siteCommand->name));
        if (update || merge)
            return failure((update ? QStringLiteral("--update") : QStringLiteral("--merge")) +
                           QStringLiteral(" 和 ") + name + QStringLiteral(" 不能一起使用"));
        if (updateOnly || options.quiet)
            return failure(QStringLiteral("--engines、--pages、--shard 和 --quiet 不能与 ") + name +
                           QStringLiteral(" 一起使用"));
        options.action = siteCommand->action;
        if (siteCommand->action != CommandLineOptions::Action::List)
            options.siteAddress = parser.value(QString::fromLatin1(siteCommand->name));
        if (isSet("match")) {
            const QString value = parser.value(QStringLiteral("match"));
            options.matchRule = siteMatchOfName(value.trimmed());
            if (!options.matchRule)
                return failure(QStringLiteral("--match 应为 address、host 或 domain: ") + value);
        }
        if (siteCommand->action == CommandLineOptions::Action::AddKeywords)
            options.keywordFile = positional.first();
        else
            options.keywords = positional;
        return {options, {}};
    }
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
        "      Quorvane --read-page 文件 --engine 名称\n"
        "      Quorvane --add-site 网址 [--match address|host|domain] [关键词...]\n"
        "      Quorvane --add-keywords 网址 文件 | --list | --remove-site 网址 | --remove-keyword 网址 "
        "关键词\n"
        "      Quorvane --print-engines | --help | --version\n"
        "\n"
        "不打开窗口, 批量更新所有已启用关键词的排名 (与窗口中的 \"批量更新排名\" 相同), 完成后退出;\n"
        "或者管理网址和关键词, 规则与设置窗口相同 (网址最多50个字符, 关键词最多20个字符, 不添加重复项).\n"
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
