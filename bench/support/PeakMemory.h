#pragma once

namespace quorvane::bench {

// The process's resident memory as Linux counts it. resetPeakResident() sets the peak back to the
// current size, so that the next peakResidentMegabytes() is the peak of what ran in between.
void resetPeakResident();
double peakResidentMegabytes();
double residentMegabytes();

} // namespace quorvane::bench
