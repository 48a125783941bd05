#include "cli/CommandLineOptions.h"

#include "engine/EngineTable.h"

#include <QSet>

namespace quorvane {

namespace {

constexpr QStringView kUpdateOption = u"--update";
constexpr QStringView kEnginesOption = u"--engines";
constexpr QStringView kPages = u"--pages";
constexpr QStringView kQuiet = u"--quiet";
constexpr QStringView kHelp = u"--help";
constexpr QStringView kShortHelp = u"-h";
constexpr QStringView kVersion = u"--version";

// The option name of an argument: "--pages=3" gives "--pages".
QStringView optionName(QStringView argument) {
    const qsizetype equals = argument.indexOf(u'=');
    return argument.startsWith(u"--") && equals > 0 ? argument.first(equals) : argument;
}

bool isOurs(QStringView argument) {
    const QStringView name = optionName(argument);
    for (QStringView option : {kUpdateOption, kEnginesOption, kPages, kQuiet, kHelp, kShortHelp, kVersion})
        if (name == option)
            return true;
    return false;
}

ParsedCommandLine failure(QString error) {
    return {std::nullopt, std::move(error)};
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

} // namespace

bool isCommandLineRun(const QStringList& arguments) {
    // Qt's own options for the window have one dash (-platform, -style); anything with two that is not
    // ours is a mistyped option of ours, answered with the usage rather than with a window.
    for (const QString& argument : arguments)
        if (isOurs(argument) || argument.startsWith(u"--"))
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
    CommandLineOptions options;
    for (const EngineInfo& info : kEngines)
        options.engines << info.name.toString();
    bool update = false;
    bool help = false;
    bool version = false;
    bool runOptions = false; // --engines, --pages or --quiet: they only make sense with --update
    QSet<QStringView> seen;

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const QStringView name = optionName(argument);
        if (!isOurs(argument))
            return failure(QStringLiteral("无法识别的参数: ") + argument);
        if (seen.contains(name))
            return failure(QStringLiteral("参数重复: ") + name.toString());
        seen.insert(name);

        const bool takesValue = name == kEnginesOption || name == kPages;
        const bool inlineValue = name.size() < argument.size();
        if (inlineValue && !takesValue)
            return failure(QStringLiteral("参数不带值: ") + name.toString());
        QString value;
        if (takesValue) {
            if (inlineValue)
                value = argument.mid(name.size() + 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            else
                return failure(QStringLiteral("缺少参数的值: ") + name.toString());
        }

        if (name == kUpdateOption) {
            update = true;
        } else if (name == kHelp || name == kShortHelp) {
            help = true;
        } else if (name == kVersion) {
            version = true;
        } else if (name == kQuiet) {
            options.quiet = true;
            runOptions = true;
        } else if (name == kEnginesOption) {
            QString error;
            std::optional<QStringList> engines = engineList(value, &error);
            if (!engines)
                return failure(error);
            options.engines = *engines;
            runOptions = true;
        } else if (name == kPages) {
            bool ok = false;
            const int pages = value.trimmed().toInt(&ok);
            if (!ok || pages < 1 || pages > 10)
                return failure(QStringLiteral("--pages 应为 1 至 10 之间的整数: ") + value);
            options.pages = pages;
            runOptions = true;
        }
    }

    if (help) {
        options.action = CommandLineOptions::Action::Help;
        return {options, {}};
    }
    if (version) {
        options.action = CommandLineOptions::Action::Version;
        return {options, {}};
    }
    if (!update)
        return failure(runOptions ? QStringLiteral("--engines、--pages 和 --quiet 只能与 --update 一起使用")
                                  : QStringLiteral("缺少 --update"));
    return {options, {}};
}

QString usageText() {
    return QStringLiteral(
        "用法: Quorvane --update [--engines 引擎,...] [--pages N] [--quiet]\n"
        "      Quorvane --help | --version\n"
        "\n"
        "不打开窗口, 批量更新所有已启用关键词的排名 (与窗口中的 \"批量更新排名\" 相同), 完成后退出.\n"
        "\n"
        "  --update           批量更新排名\n"
        "  --engines 列表     要查询的搜索引擎, 以逗号分隔 (默认全部):\n"
        "                     Baidu,Google,Yahoo,Soso,Bing,Sogou,Youdao\n"
        "  --pages N          查询范围: 从第1页至第N页, N 为 1 至 10 (默认 1)\n"
        "  --quiet            不输出每个关键词的结果和提示信息, 只输出汇总和错误\n"
        "  --help             显示本帮助\n"
        "  --version          显示版本\n"
        "\n"
        "退出状态: 0 完成; 1 已停止或失败; 2 参数错误; 3 无法打开数据库; 4 程序已在运行\n");
}

QString versionText() {
    return QStringLiteral("Quorvane 1.3\n");
}

} // namespace quorvane
