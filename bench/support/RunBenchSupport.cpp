#include "RunBenchSupport.h"

#include "store/MissionList.h"

#include <ctime>

namespace quorvane::bench {

TickedEnginesHost::TickedEnginesHost(Database& database, Recordset& missions, QSet<QString> ticked)
    : database_(database)
    , missions_(missions)
    , ticked_(std::move(ticked)) {}

bool TickedEnginesHost::EngineTicked(QStringView engine) const {
    return ticked_.contains(engine.toString());
}

void TickedEnginesHost::LoadMissionList() {
    OpenMissionList(database_, missions_);
}

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace quorvane::bench
