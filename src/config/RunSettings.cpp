#include "config/RunSettings.h"

#include "config/IniText.h"
#include "platform/ProgramFolders.h"

namespace quorvane {

bool enginesSideBySide(const QString& iniPath, SettingsFaults* faults) {
    const IniFile ini = readIniFile(iniPath, IniComments::AfterValues);
    if (ini.state != IniFileState::Read)
        return true; // the endpoints' reading of the same file reports an unreadable one
    // "true" and "false" were always taken too; they stay.
    const auto fault = [](const QString& value) {
        const QString v = value.trimmed();
        if (v == u"0" || v == u"1" || v.compare(u"true", Qt::CaseInsensitive) == 0 ||
            v.compare(u"false", Qt::CaseInsensitive) == 0)
            return QString();
        return QStringLiteral("应为 0 或 1");
    };
    QStringList mistakes;
    const IniEntry* entry = lastValidSetting(ini.document, u"Network", u"SideBySide", fault, mistakes);
    if (!mistakes.isEmpty() && faults)
        faults->append(
            {SettingsFaultKind::SideBySide,
             QStringLiteral("配置文件 ") + ini.path +
                 QStringLiteral(" 中的 SideBySide 有误, 有误的项已忽略, 未设时各搜索引擎同时查询:\n") +
                 mistakes.join(u'\n')});
    if (!entry)
        return true;
    const QString value = entry->value.trimmed();
    return value != u"0" && value.compare(u"false", Qt::CaseInsensitive) != 0;
}

bool enginesSideBySideBesideExecutable(SettingsFaults* faults) {
    return enginesSideBySide(configFolder() + QStringLiteral("Endpoints.ini"), faults);
}

} // namespace quorvane
