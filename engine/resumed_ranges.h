#pragma once
// The ranges of an attempt that resumes from its record.
#include <cstdint>
#include <map>
#include <vector>

#include "engine/range_plan.h"

namespace ns_VYN {

// The record's missing pieces (first -> last), in ascending order, with the
// largest cut in halves until there are `threads` pieces or none is larger
// than 2 MiB (so each half still has more than the 1 MiB that a split of a
// running range needs). A record may hold a single piece (its pairs were
// merged, or one range was left): the resumed attempt then still runs as
// many ranges in parallel as a fresh one.
std::vector<RangeBounds> PlanResumedRanges(const std::map<int64_t, int64_t>& missing, int threads);

}  // namespace ns_VYN
