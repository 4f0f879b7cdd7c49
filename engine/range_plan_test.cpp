#include "engine/range_plan.h"

#include <gtest/gtest.h>


namespace ns_VYN {
namespace {

TEST(RangePlan, ThreadsAndBuffersFollowAvailableMemory) {
  struct Case {
    uint64_t memory;
    int threads;
    int buffer;
  };
  const Case cases[] = {
      {8ull << 30, 24, 5242880},
      {125829120, 24, 5242880},  // 24 x 5 MiB exactly: above the limit
      {125829119, 24, 5242879},
      {100ull << 20, 24, 4369066},
      {10ull << 20, 10, 1048576},
      {512ull << 10, 1, 1048576},
      {0, 1, 1048576},
  };
  for (const Case& c : cases) {
    ThreadPlan plan = PlanThreadsFor(c.memory);
    EXPECT_EQ(plan.threads, c.threads) << c.memory;
    EXPECT_EQ(plan.bufferSize, c.buffer) << c.memory;
  }
}

TEST(RangePlan, EvenSplitCoversTheFileWithoutEmptyRanges) {
  std::vector<RangeBounds> big = PlanRangeBounds(2400000000, 24, true);
  ASSERT_EQ(big.size(), 24u);
  EXPECT_EQ(big.front(), (RangeBounds{0, 99999999}));
  EXPECT_EQ(big.back(), (RangeBounds{2300000000, 2399999999}));

  for (int64_t total : {1, 23, 25, 30, 47, 100, 1001}) {
    std::vector<RangeBounds> ranges = PlanRangeBounds(total, 24, true);
    int64_t next = 0;
    for (const RangeBounds& range : ranges) {
      EXPECT_EQ(range.start, next) << total;
      EXPECT_LE(range.start, range.end) << total;
      next = range.end + 1;
    }
    EXPECT_EQ(next, total) << total;
  }
  EXPECT_EQ(PlanRangeBounds(30, 24, true).size(), 15u);  // chunks of 2: starts past 29 are dropped
  EXPECT_EQ(PlanRangeBounds(1000, 24, false), (std::vector<RangeBounds>{{0, -1}}));
}

TEST(RangePlan, FlowRuleGrowsAndShrinksTheRangeCount) {
  struct Case {
    uint64_t own;
    uint64_t system;
    int threadCount;
    int result;
  };
  const Case cases[] = {
      {90000000, 100000000, 31, -1},  // share 0.9 above the plan: shrink
      {90000000, 100000000, 24, 0},   // ... but never below the plan
      {50000000, 100000000, 48, 0},   // share 0.5 at the ceiling: keep
      {50000000, 100000000, 41, 1},   // share 0.5 below it: grow
      {80000000, 100000000, 30, 0},   // inside the band
      {100000000, 100000000, 30, 0},  // all the traffic is ours
      {120000000, 100000000, 30, 0},  // more than the estimate
  };
  for (const Case& c : cases) {
    FlowBaselines baselines{1000, 0};
    EXPECT_EQ(FlowRate(c.threadCount, 24, c.own, 1000 + c.system, &baselines), c.result) << c.own << " " << c.threadCount;
    EXPECT_EQ(baselines.systemBytes, 1000 + c.system);
    EXPECT_EQ(baselines.ownBytes, c.own);
  }
  FlowBaselines unchanged{5000, 7};
  EXPECT_EQ(FlowRate(30, 24, 999999, 5000, &unchanged), 0);
  EXPECT_EQ(unchanged.ownBytes, 7u) << "no new traffic: baselines stay";
}

TEST(RangePlan, TcpCounterGrowsWithTraffic) {
  // The machine's own counter: only its sanity can be checked.
  const uint64_t first = TcpInBytes();
  EXPECT_GT(first, 0u);
  EXPECT_EQ(first % kBytesPerTcpSegment, 0u);
  EXPECT_GE(TcpInBytes(), first);
}

TEST(RangePlan, HeadFirstPlanGrowsTowardsTheTailAndCoversTheFile) {
  for (int64_t total : {int64_t(1) << 30, int64_t(2400000000), int64_t(48) << 20, (int64_t(48) << 20) + 23,
                        int64_t(5) << 40}) {
    const std::vector<RangeBounds> even = PlanRangeBounds(total, 24, true);
    const std::vector<RangeBounds> shaped = HeadFirstBounds(even);
    ASSERT_EQ(shaped.size(), even.size()) << total;
    int64_t next = 0, previousLength = 0;
    for (const RangeBounds& range : shaped) {
      EXPECT_EQ(range.start, next) << total;
      const int64_t length = range.end - range.start + 1;
      EXPECT_GE(length, previousLength) << total << " " << range.start;
      previousLength = length;
      next = range.end + 1;
    }
    EXPECT_EQ(next, total) << total;
    // The head is a fraction of an even share, the tail more than one.
    const int64_t share = total / 24;
    EXPECT_LT(shaped.front().end + 1, share / 4) << total;
    EXPECT_GT(shaped.back().end - shaped.back().start + 1, share * 3 / 2) << total;
  }
  // Too small for 2 MiB a range, or nothing to reshape: the even plan stays.
  for (const std::vector<RangeBounds>& plan :
       {PlanRangeBounds((int64_t(48) << 20) - 1, 24, true), PlanRangeBounds(1000, 24, true),
        PlanRangeBounds(1000, 24, false), PlanRangeBounds(int64_t(1) << 30, 1, true)}) {
    EXPECT_EQ(HeadFirstBounds(plan), plan);
  }
}

TEST(RangePlan, SplitTakesTheLowestWorkThatLastsElseTheLargest) {
  constexpr int64_t kMiB = 1 << 20;
  struct Case {
    std::vector<SplitCandidate> candidates;
    int picked;
  };
  const Case cases[] = {
      {{}, -1},
      {{{500 * kMiB, 2 * kMiB}}, 0},
      // Lowest start among those with at least 8 MiB left, wherever it is listed.
      {{{900 * kMiB, 300 * kMiB}, {100 * kMiB, 8 * kMiB}, {50 * kMiB, 8 * kMiB - 1}}, 1},
      {{{900 * kMiB, 300 * kMiB}, {400 * kMiB, 20 * kMiB}, {600 * kMiB, 9 * kMiB}}, 1},
      // None has 8 MiB left: the one with the most left.
      {{{10 * kMiB, 2 * kMiB}, {90 * kMiB, 7 * kMiB}, {40 * kMiB, 3 * kMiB}}, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PickSplitCandidate(c.candidates), c.picked) << c.candidates.size();
  }
}

}  // namespace
}  // namespace ns_VYN
