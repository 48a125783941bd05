#pragma once

#include <functional>

namespace quorvane::bench {

// Runs once the benchmarks are done, while the application object still exists: fixtures that hold
// widgets or network objects are released here.
void AtBenchmarkEnd(std::function<void()> release);

} // namespace quorvane::bench
