#include "engine/EngineDefinitions.h"

#include "config/IniText.h"
#include "engine/EngineScanners.h"
#include "engine/VerificationPages.h"
#include "platform/GbkCodec.h"
#include "platform/Messages.h"
#include "platform/ProgramFolders.h"

#include <QHash>
#include <QStringList>

#include <array>
#include <span>
#include <vector>

namespace quorvane {

namespace {

enum class KeyKind { Path, FirstPath, Step, Markup, Marker, Loader, BlockedMark, Selector, NoResultsMark };

struct KeyInfo {
    QStringView key;
    KeyKind kind;
    bool secondRankOnly;
    QString EngineDefinition::*text; // null for Step, Markup, Loader and BlockedMark
};

constexpr int kMaxStep = 1000;

// In the order --print-engines writes them.
const std::array<KeyInfo, 20> kKeys{{
    {u"PathBeforeKeyword", KeyKind::FirstPath, false, &EngineDefinition::pathBeforeKeyword},
    {u"PathBeforePage", KeyKind::Path, false, &EngineDefinition::pathBeforePage},
    {u"PathAfterPage", KeyKind::Path, false, &EngineDefinition::pathAfterPage},
    {u"Step", KeyKind::Step, false, nullptr},
    {u"Markup", KeyKind::Markup, false, nullptr},
    {u"ItemStart", KeyKind::Marker, false, &EngineDefinition::itemStart},
    {u"ItemEnd", KeyKind::Marker, false, &EngineDefinition::itemEnd},
    {u"LinkEnd", KeyKind::Marker, false, &EngineDefinition::linkEnd},
    {u"Loader", KeyKind::Loader, false, nullptr},
    {u"BlockedMark", KeyKind::BlockedMark, false, nullptr},
    {u"Results", KeyKind::Selector, false, &EngineDefinition::resultBlocks},
    {u"ResultLink", KeyKind::Selector, false, &EngineDefinition::resultLink},
    {u"ShownAddress", KeyKind::Selector, false, &EngineDefinition::shownAddress},
    {u"NotResult", KeyKind::Selector, false, &EngineDefinition::notResult},
    {u"Promoted", KeyKind::Selector, false, &EngineDefinition::promotedResult},
    {u"NoResultsMark", KeyKind::NoResultsMark, false, nullptr},
    {u"MapItem", KeyKind::Marker, true, &EngineDefinition::mapItem},
    {u"PromotedMark", KeyKind::Marker, true, &EngineDefinition::promotedMark},
    {u"GreenStart", KeyKind::Marker, true, &EngineDefinition::greenStart},
    {u"GreenEnd", KeyKind::Marker, true, &EngineDefinition::greenEnd},
}};

const KeyInfo* findKey(QStringView key, bool twoRanks) {
    for (const KeyInfo& k : kKeys)
        if (k.key == key && (twoRanks || !k.secondRankOnly))
            return &k;
    return nullptr;
}

ScannerBytes toBytes(const EngineDefinition& d) {
    ScannerBytes bytes;
    bytes.markup = d.markup;
    bytes.itemStart = toGbk(d.itemStart);
    bytes.itemEnd = toGbk(d.itemEnd);
    bytes.linkEnd = '"' + toGbk(d.linkEnd);
    // Only the definition of the engine with a second rank has the promoted-item markers.
    bytes.promotedItems = !d.promotedMark.isEmpty();
    bytes.mapItem = toGbk(d.mapItem);
    bytes.promotedMark = toGbk(d.promotedMark);
    bytes.greenStart = toGbk(d.greenStart);
    bytes.greenEnd = toGbk(d.greenEnd);
    bytes.treeDefinition = {d.resultBlocks, d.resultLink,     d.shownAddress,
                            d.notResult,    d.promotedResult, d.noResultsMarks};
    bytes.tree = ResultReader(bytes.treeDefinition);
    for (const QString& mark : d.blockedMarks)
        bytes.blockedMarks << toGbk(mark);
    return bytes;
}

// Keys that may stand several times in one engine's section, each adding a value.
bool repeatable(const KeyInfo& key) {
    return key.kind == KeyKind::BlockedMark || key.kind == KeyKind::NoResultsMark;
}

struct DefinitionState {
    bool loaded = false;
    // One each per engine of the table they were made for, in its order.
    std::span<const EngineInfo> table;
    std::vector<EngineDefinition> definitions;
    std::vector<ScannerBytes> bytes;
    std::vector<QStringList> changedKeys; // for the printout
    QString source;                       // the file read, or empty
};

DefinitionState& state() {
    static DefinitionState s;
    return s;
}

void resetToCompiled(DefinitionState& s) {
    s.table = engines();
    s.definitions.clear();
    s.bytes.clear();
    for (const EngineInfo& engine : s.table) {
        s.definitions.push_back(compiledDefinition(engine));
        s.bytes.push_back(toBytes(s.definitions.back()));
    }
    s.changedKeys.assign(s.table.size(), QStringList());
    s.source.clear();
    s.loaded = true;
}

// Reads the definitions the first time, and again when another engine table came into force since.
void ensureLoaded() {
    const DefinitionState& s = state();
    const std::span<const EngineInfo> table = engines();
    if (!s.loaded || s.table.data() != table.data() || s.table.size() != table.size())
        loadEngineDefinitionsBesideExecutable();
}

bool gbkCanWrite(const QString& text) {
    return fromGbk(toGbk(text)) == text;
}

// Applies one entry to the definition; an empty text when it was taken, else what is wrong with it.
QString apply(EngineDefinition& d, const KeyInfo& key, const QString& value) {
    switch (key.kind) {
    case KeyKind::Step: {
        bool ok = false;
        const int step = value.toInt(&ok);
        if (!ok || step < 1 || step > kMaxStep)
            return QStringLiteral("应为 1 到 %1 的整数").arg(kMaxStep);
        d.step = step;
        return {};
    }
    case KeyKind::Markup:
        if (value == u"Body")
            d.markup = MarkupPart::Body;
        else if (value == u"Root")
            d.markup = MarkupPart::Root;
        else
            return QStringLiteral("应为 Body 或 Root");
        return {};
    case KeyKind::FirstPath:
        if (!value.startsWith(u'/'))
            return QStringLiteral("应以 / 开头");
        [[fallthrough]];
    case KeyKind::Path:
        for (const QChar c : value)
            if (c.isSpace() || c.unicode() < 0x20)
                return QStringLiteral("地址中不能有空格");
        if (key.key == u"PathBeforePage" && value.isEmpty())
            return QStringLiteral("不能为空");
        d.*key.text = value;
        return {};
    case KeyKind::Loader:
        if (value == u"Plain")
            d.loader = PageLoader::Plain;
        else if (value == u"Browser")
            d.loader = PageLoader::Browser;
        else
            return QStringLiteral("应为 Plain 或 Browser");
        return {};
    case KeyKind::Selector: {
        const QString fault = selectorFault(value);
        if (!fault.isEmpty())
            return QStringLiteral("选择器有误: ") + fault;
        d.*key.text = value;
        return {};
    }
    case KeyKind::NoResultsMark:
        if (value.isEmpty())
            return QStringLiteral("标记不能为空");
        if (!d.noResultsMarks.contains(value)) // a printout read back gives the same list
            d.noResultsMarks << value;
        return {};
    case KeyKind::Marker:
    case KeyKind::BlockedMark:
        if (value.isEmpty())
            return QStringLiteral("标记不能为空");
        if (!gbkCanWrite(value))
            return QStringLiteral("含有 GBK 无法表示的字符");
        if (key.kind == KeyKind::BlockedMark)
            d.blockedMarks << value;
        else
            d.*key.text = value;
        return {};
    }
    return {};
}

QString quotedIfNeeded(const QString& value) {
    const bool edgeSpace = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    const bool looksQuoted = value.size() >= 2 && value.front() == u'"' && value.back() == u'"';
    return edgeSpace || looksQuoted ? u'"' + value + u'"' : value;
}

QString valueText(const EngineDefinition& d, const KeyInfo& key) {
    if (key.kind == KeyKind::Step)
        return QString::number(d.step);
    if (key.kind == KeyKind::Markup)
        return d.markup == MarkupPart::Body ? QStringLiteral("Body") : QStringLiteral("Root");
    if (key.kind == KeyKind::Loader)
        return d.loader == PageLoader::Browser ? QStringLiteral("Browser") : QStringLiteral("Plain");
    return quotedIfNeeded(d.*key.text);
}

// The key's lines of the printout: one per value. An engine without marks of its own gets a comment, since
// an empty BlockedMark would be refused when the printout is saved as Engines.ini.
QString keyLines(const EngineInfo& engine, const EngineDefinition& d, const KeyInfo& key) {
    const QString name = key.key.toString();
    if (key.kind == KeyKind::NoResultsMark) {
        if (d.noResultsMarks.isEmpty())
            return QStringLiteral("; ") + name + QStringLiteral(": none\n");
        QString lines;
        for (const QString& mark : d.noResultsMarks)
            lines += name + u'=' + quotedIfNeeded(mark) + u'\n';
        return lines;
    }
    if (key.kind != KeyKind::BlockedMark)
        return name + u'=' + valueText(d, key) + u'\n';
    // The built-in recognition first, as a comment: it holds whatever Engines.ini says.
    const QStringList builtIn = builtInVerificationMarks(engine.name);
    QString lines =
        QStringLiteral("; verification pages: ") + verificationAnswerText() +
        (builtIn.isEmpty() ? QString()
                           : QStringLiteral(", built-in marks: ") + builtIn.join(QStringLiteral(", "))) +
        u'\n';
    if (d.blockedMarks.isEmpty())
        return lines + QStringLiteral("; ") + name + QStringLiteral(": none of the engine's own\n");
    for (const QString& mark : d.blockedMarks)
        lines += name + u'=' + quotedIfNeeded(mark) + u'\n';
    return lines;
}

} // namespace

bool engineDefinitionsAskForBrowser(const QString& iniPath) {
    const IniFile ini = readIniFile(iniPath);
    if (ini.state != IniFileState::Read)
        return false;
    for (const IniSection& section : ini.document.sections)
        for (const IniEntry& entry : section.entries)
            if (entry.readable && engineIndex(section.name) >= 0 && entry.key == u"Loader" &&
                entry.value == u"Browser")
                return true;
    return false;
}

EngineDefinition compiledDefinition(const EngineInfo& engine) {
    EngineDefinition d;
    d.pathBeforeKeyword = engine.pathBeforeKeyword.toString();
    d.pathBeforePage = engine.pathBeforePage.toString();
    d.pathAfterPage = engine.pathAfterPage.toString();
    d.step = engine.step;
    for (const quorvane::ScannerMarkers& m : kScannerMarkers) {
        if (m.engine != engine.name)
            continue;
        d.markup = m.part;
        d.itemStart = m.itemStart.toString();
        d.itemEnd = m.itemEnd.toString();
        d.linkEnd = m.linkEnd.toString();
    }
    for (const TreeDefaults& t : kTreeDefaults) {
        if (t.engine != engine.name)
            continue;
        d.resultBlocks = t.results.toString();
        d.resultLink = t.link.toString();
        d.shownAddress = t.shownAddress.toString();
        d.notResult = t.notResult.toString();
        d.promotedResult = t.promoted.toString();
        for (QStringView mark : t.noResultsMarks)
            if (!mark.isEmpty())
                d.noResultsMarks << mark.toString();
    }
    // The promoted-item markers are those of the engine whose second rank counts promoted items.
    if (engine.hasSecondRank()) {
        d.mapItem = kBaiduMapItem.toString();
        d.promotedMark = kBaiduPromoted.toString();
        d.greenStart = kBaiduGreenStart.toString();
        d.greenEnd = kBaiduGreenEnd.toString();
    }
    return d;
}

const EngineDefinition& definition(const EngineInfo& engine) {
    ensureLoaded();
    return state().definitions[static_cast<size_t>(engineIndex(engine.name))];
}

const ScannerBytes* scannerBytesFor(QStringView engine) {
    ensureLoaded();
    const int i = engineIndex(engine);
    return i < 0 ? nullptr : &state().bytes[static_cast<size_t>(i)];
}

bool loadEngineDefinitions(const QString& iniPath) {
    DefinitionState& s = state();
    resetToCompiled(s);
    const IniFile ini = readIniFile(iniPath);
    if (ini.state == IniFileState::Absent)
        return true;
    const QString file = QStringLiteral("配置文件 ") + ini.path;
    if (ini.state == IniFileState::Unreadable) {
        showErrorMsg(file + QStringLiteral(" 无法读取 (") + ini.why +
                     QStringLiteral("), 已使用程序内置的引擎定义!"));
        return false;
    }

    const IniDocument& document = ini.document;
    QStringList faults;
    for (const int line : document.linesOutsideSections)
        faults << iniLinePlace(line) + QStringLiteral("不在任何 [引擎] 之下");
    for (const int line : document.unreadableLines)
        faults << iniLinePlace(line) + iniUnreadableText(document);

    // Sections of the same name count as one.
    std::vector<EngineDefinition> candidates = s.definitions;
    std::vector<QHash<QString, int>> seen(s.table.size()); // key -> its first line
    std::vector<bool> refused(s.table.size(), false);
    for (const IniSection& section : document.sections) {
        if (!section.readable) {
            faults << iniLinePlace(section.line) + iniUnreadableText(document);
            continue;
        }
        const int i = engineIndex(section.name);
        if (i < 0) {
            faults << QStringLiteral("[%1] (第 %2 行): 没有这个搜索引擎").arg(section.name).arg(section.line);
            continue;
        }
        const auto e = static_cast<size_t>(i);
        // The promoted-item keys belong to the engine with a second rank, which counts promoted items.
        const bool twoRanks = s.table[e].hasSecondRank();
        for (const int line : section.badLines) {
            faults << QStringLiteral("[%1] 第 %2 行: 不是 键=值").arg(section.name).arg(line);
            refused[e] = true;
        }
        for (const IniEntry& entry : section.entries) {
            const KeyInfo* key = findKey(entry.key, twoRanks);
            QString fault;
            if (!entry.readable)
                fault = iniUnreadableText(document);
            else if (!key)
                fault = QStringLiteral("没有这个键");
            else if (seen[e].contains(entry.key) && !repeatable(*key))
                fault = iniRepeatText(seen[e].value(entry.key));
            else
                fault = apply(candidates[e], *key, entry.value);
            seen[e].insert(entry.key, seen[e].value(entry.key, entry.line));
            if (!fault.isEmpty()) {
                faults << iniPlace(section, entry) + fault;
                refused[e] = true;
            }
        }
    }
    for (size_t e = 0; e < s.table.size(); ++e) {
        if (refused[e] || seen[e].isEmpty())
            continue;
        s.definitions[e] = candidates[e];
        s.bytes[e] = toBytes(candidates[e]);
        for (const KeyInfo& k : kKeys)
            if (seen[e].contains(k.key.toString()))
                s.changedKeys[e] << k.key.toString();
    }
    s.source = ini.path;
    if (faults.isEmpty())
        return true;
    showErrorMsg(file + QStringLiteral(" 中的引擎定义有误, 有误的引擎仍使用程序内置的定义:\n") +
                 faults.join(u'\n'));
    return false;
}

QString engineDefinitionsPathBesideExecutable() {
    return configFolder() + QStringLiteral("Engines.ini");
}

bool loadEngineDefinitionsBesideExecutable() {
    return loadEngineDefinitions(engineDefinitionsPathBesideExecutable());
}

QString engineDefinitionsText() {
    ensureLoaded();
    const DefinitionState& s = state();
    QString text = s.source.isEmpty()
                       ? QStringLiteral("; The compiled-in engine definitions (no Engines.ini was read).\n")
                       : QStringLiteral("; The engine definitions in force: compiled-in, changed by ") +
                             s.source + u'\n';
    for (size_t e = 0; e < s.table.size(); ++e) {
        const EngineInfo& engine = s.table[e];
        text += QStringLiteral("\n[") + engine.name.toString() + QStringLiteral("]\n");
        if (engine.retired)
            text +=
                QStringLiteral("; retired: this engine's web search has closed; its checks find no pages\n");
        if (!s.changedKeys[e].isEmpty())
            text +=
                QStringLiteral("; from Engines.ini: ") + s.changedKeys[e].join(QStringLiteral(", ")) + u'\n';
        for (const KeyInfo& key : kKeys)
            if (!key.secondRankOnly || engine.hasSecondRank())
                text += keyLines(engine, s.definitions[e], key);
    }
    return text;
}

} // namespace quorvane
