#include "engine/resumed_ranges.h"

#include <algorithm>

namespace ns_VYN {

std::vector<RangeBounds> PlanResumedRanges(const std::map<int64_t, int64_t>& missing, int threads) {
  std::vector<RangeBounds> pieces;
  for (const auto& [first, last] : missing) pieces.push_back({first, last});
  auto length = [](const RangeBounds& piece) { return piece.end - piece.start + 1; };
  while (static_cast<int>(pieces.size()) < threads) {
    auto largest = std::max_element(pieces.begin(), pieces.end(),
                                    [&](const RangeBounds& a, const RangeBounds& b) {
                                      return length(a) < length(b);
                                    });
    if (largest == pieces.end() || length(*largest) <= 2 * int64_t{kMinBufferSize}) break;
    int64_t middle = largest->start + length(*largest) / 2;
    RangeBounds upper{middle, largest->end};
    largest->end = middle - 1;
    pieces.push_back(upper);
  }
  std::sort(pieces.begin(), pieces.end(),
            [](const RangeBounds& a, const RangeBounds& b) { return a.start < b.start; });
  return pieces;
}

}  // namespace ns_VYN
