#pragma once

#include <atomic>

namespace quorvane {

// The stop request of a run. The window sets it on the GUI thread; the checks of one keyword, which run
// side by side on their own threads, read it at every poll of their page waits.
using StopFlag = std::atomic<bool>;

} // namespace quorvane
