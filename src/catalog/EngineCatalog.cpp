#include "catalog/EngineCatalog.h"

#include <algorithm>

namespace quorvane {

namespace {

struct TableInForce {
    std::span<const EngineInfo> table{kEngines};
    std::vector<const EngineInfo*> runOrder;
};

TableInForce& inForce() {
    static TableInForce state;
    return state;
}

std::vector<const EngineInfo*> orderForRuns(std::span<const EngineInfo> table) {
    std::vector<const EngineInfo*> order;
    for (const EngineInfo& engine : table)
        order.push_back(&engine);
    std::stable_sort(order.begin(), order.end(), [](const EngineInfo* a, const EngineInfo* b) {
        return a->runPosition < b->runPosition;
    });
    return order;
}

} // namespace

std::span<const EngineInfo> engines() {
    return inForce().table;
}

const std::vector<const EngineInfo*>& runOrder() {
    TableInForce& state = inForce();
    if (state.runOrder.empty())
        state.runOrder = orderForRuns(state.table);
    return state.runOrder;
}

const EngineInfo* findEngine(QStringView name) {
    for (const EngineInfo& engine : engines())
        if (engine.name == name)
            return &engine;
    return nullptr;
}

int engineIndex(QStringView name) {
    const EngineInfo* engine = findEngine(name);
    return engine ? engineIndex(*engine) : -1;
}

int engineIndex(const EngineInfo& engine) {
    const std::span<const EngineInfo> table = engines();
    if (&engine < table.data() || &engine >= table.data() + table.size())
        return -1;
    return static_cast<int>(&engine - table.data());
}

QStringList rankColumns() {
    QStringList columns;
    for (const EngineInfo& engine : engines()) {
        columns.append(engine.rankColumn.toString());
        if (engine.hasSecondRank())
            columns.append(engine.rankColumn2.toString());
    }
    return columns;
}

QString rankColumnList(QStringView alias) {
    const QString separator = alias.isEmpty() ? QStringLiteral(",") : u',' + alias.toString() + u'.';
    const QString first = alias.isEmpty() ? QString() : alias.toString() + u'.';
    return first + rankColumns().join(separator);
}

QStringList laterRankColumns() {
    QStringList columns;
    for (const EngineInfo& engine : engines()) {
        if (!engine.inOldestSchema)
            columns.append(engine.rankColumn.toString());
        if (engine.hasSecondRank())
            columns.append(engine.rankColumn2.toString());
    }
    return columns;
}

std::vector<RankColumn> shownRankColumns() {
    std::vector<RankColumn> columns;
    for (const EngineInfo* engine : runOrder()) {
        columns.push_back({engine, false});
        if (engine->hasSecondRank())
            columns.push_back({engine, true});
    }
    return columns;
}

const EngineInfo* engineWithSecondRank() {
    for (const EngineInfo& engine : engines())
        if (engine.hasSecondRank())
            return &engine;
    return nullptr;
}

ScopedEngineTable::ScopedEngineTable(std::span<const EngineInfo> table)
    : previous_(inForce().table) {
    inForce().table = table;
    inForce().runOrder.clear();
}

ScopedEngineTable::~ScopedEngineTable() {
    inForce().table = previous_;
    inForce().runOrder.clear();
}

} // namespace quorvane
