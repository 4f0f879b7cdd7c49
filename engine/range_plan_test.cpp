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

}  // namespace
}  // namespace ns_VYN
