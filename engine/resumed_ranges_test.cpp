#include "engine/resumed_ranges.h"

#include <gtest/gtest.h>

namespace ns_VYN {
namespace {

constexpr int64_t kMiB = 1048576;

TEST(ResumedRanges, LargePiecesAreCutUntilEveryThreadHasOne) {
  const struct {
    const char* what;
    std::map<int64_t, int64_t> missing;
    int threads;
    std::vector<RangeBounds> ranges;
  } cases[] = {
      {"one piece, four threads", {{0, 8 * kMiB - 1}}, 4,
       {{0, 2 * kMiB - 1}, {2 * kMiB, 4 * kMiB - 1}, {4 * kMiB, 6 * kMiB - 1}, {6 * kMiB, 8 * kMiB - 1}}},
      {"the largest is cut first", {{100, 100 + 3 * kMiB - 1}, {10 * kMiB, 11 * kMiB}}, 3,
       {{100, 100 + 3 * kMiB / 2 - 1}, {100 + 3 * kMiB / 2, 100 + 3 * kMiB - 1}, {10 * kMiB, 11 * kMiB}}},
      {"2 MiB are not cut", {{0, 2 * kMiB - 1}}, 24, {{0, 2 * kMiB - 1}}},
      {"odd length", {{7, 7 + 2 * kMiB}}, 2, {{7, 7 + kMiB - 1}, {7 + kMiB, 7 + 2 * kMiB}}},
      {"enough pieces already", {{0, 9}, {20, 29}, {40, 40 + 50 * kMiB}}, 2,
       {{0, 9}, {20, 29}, {40, 40 + 50 * kMiB}}},
      {"nothing missing", {}, 24, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlanResumedRanges(c.missing, c.threads), c.ranges) << c.what;
  }
}

}  // namespace
}  // namespace ns_VYN
