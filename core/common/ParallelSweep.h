#pragma once
// Sweeps over the points split across threads. Each part is a contiguous
// range of points in order, so a caller that keeps per-point values in arrays
// and sums them afterwards on one thread gets the same bits whatever the
// number of parts; and the first fault of the lowest failing part is the
// first fault a one-thread sweep would have met.
#include <cstddef>
#include <functional>

namespace kurvex {

// The most threads a computation may use; 0 means every hardware thread.
// 1 keeps every computation on the calling thread.
void SetThreadLimit(int limit);
int ThreadLimit();
// The threads a computation may use: the limit, or the hardware threads
// without one (at least 1).
int AvailableThreads();

// How many parts a sweep over `items` should take: one per available
// thread, but no part smaller than `minimumPerPart` (starting a thread costs
// more than a short sweep).
int SweepParts(std::size_t items, std::size_t minimumPerPart);

struct PartRange {
    std::size_t begin, end;
};
// Part `part` of `parts` nearly equal contiguous ranges over `items`.
PartRange RangeOfPart(std::size_t items, int parts, int part);

// Runs task(part) for every part, part 0 on the calling thread, and returns
// once all have ended. When parts throw, the exception of the lowest one is
// rethrown after all have ended; `failedPart` (if given) receives its number,
// or `parts` when none threw.
void RunParts(int parts, const std::function<void(int part)>& task, int* failedPart = nullptr);

}  // namespace kurvex
