#include "engine/range_plan.h"

#include <algorithm>

#include "engine/range_transfer.h"
#include "platform/system_info.h"
#include "platform/tcp_statistics.h"
#include "system/log.h"

namespace ns_VYN {

ThreadPlan PlanThreadsFor(uint64_t availableMemory) {
  if (availableMemory > kFullPlanMemory) return {kPlannedThreads, kMaxBufferSize};
  ThreadPlan plan{kPlannedThreads, int(availableMemory / kPlannedThreads)};
  if (plan.bufferSize < kMinBufferSize) {
    plan.bufferSize = kMinBufferSize;
    plan.threads = std::max(1, int(availableMemory / kMinBufferSize));
  }
  return plan;
}

ThreadPlan PlanThreads() {
  uint64_t available = 0;
  platform::GetAvailablePhysicalMemory(&available);
  return PlanThreadsFor(available);
}

int AvailMemForBuffer() {
  uint64_t available = 0;
  if (!platform::GetAvailablePhysicalMemory(&available)) return 0;
  return int(std::min<uint64_t>(available, kMaxBufferSize));
}

std::vector<RangeBounds> PlanRangeBounds(int64_t total, int threads, bool rangeMode) {
  if (!rangeMode) return {{0, -1}};
  std::vector<RangeBounds> ranges;
  if (total <= 0 || threads <= 0) return ranges;
  const int64_t chunk = (total + threads - 1) / threads;
  // Ceiling division can leave the last few chunks entirely past the end of
  // a small file; they would be empty ranges, so they are not planned.
  for (int64_t i = 0; i < threads && i * chunk <= total - 1; ++i) {
    ranges.push_back({i * chunk, std::min(i * chunk + chunk - 1, total - 1)});
  }
  return ranges;
}

std::vector<RangeBounds> HeadFirstBounds(const std::vector<RangeBounds>& even) {
  const int64_t count = int64_t(even.size());
  if (count < 2 || even.front().start != 0 || even.back().end < 0) return even;
  const int64_t total = even.back().end + 1;
  if (total / count < 2 * int64_t{kMinBufferSize}) return even;
  // Range i weighs i + 2; its start is total * (weights before it) / (all
  // weights), computed without overflowing for any file size.
  const int64_t weights = count * (count - 1) / 2 + 2 * count;
  auto startOf = [&](int64_t i) {
    const int64_t before = i * (i - 1) / 2 + 2 * i;
    return total / weights * before + total % weights * before / weights;
  };
  std::vector<RangeBounds> shaped;
  for (int64_t i = 0; i < count; ++i) shaped.push_back({startOf(i), startOf(i + 1) - 1});
  shaped.back().end = total - 1;
  return shaped;
}

bool IsSplittable(const CRangeTransfer& range) {
  return range.State() == kRangeRunning && range.GetRemaining() > kMinBufferSize;
}

int PickSplitCandidate(const std::vector<SplitCandidate>& candidates) {
  int lowest = -1, largest = -1;
  for (int i = 0; i < int(candidates.size()); ++i) {
    const SplitCandidate& candidate = candidates[size_t(i)];
    if (candidate.remaining >= kHeadSplitRemaining &&
        (lowest < 0 || candidate.start < candidates[size_t(lowest)].start)) {
      lowest = i;
    }
    if (largest < 0 || candidate.remaining > candidates[size_t(largest)].remaining) largest = i;
  }
  return lowest >= 0 ? lowest : largest;
}

RangeBounds SplitBoundsOf(const CRangeTransfer& range) {
  const int64_t end = range.GetEnd();
  return {end - range.GetRemaining() / 2, end};
}

int FlowRate(int threadCount, int plannedThreads, uint64_t ownBytes, uint64_t systemBytes, FlowBaselines* baselines,
             double low, double high) {
  if (systemBytes == baselines->systemBytes) return 0;
  const uint64_t systemDelta = systemBytes - baselines->systemBytes;
  const uint64_t ownDelta = ownBytes - baselines->ownBytes;
  int result = 0;
  if (ownDelta < systemDelta) {
    const double share = double(ownDelta) / double(systemDelta);
    Log(3, "[INFO] thread_cnt=[%d], flow_rate=[%.02f].", std::min(threadCount, kMaxParallelRanges), share);
    if (share > high && threadCount > plannedThreads) {
      result = -1;
    } else if (share < low && threadCount < kMaxParallelRanges) {
      result = 1;
    }
  }
  baselines->systemBytes = systemBytes;
  baselines->ownBytes = ownBytes;
  return result;
}

uint64_t TcpInBytes() {
  uint64_t segments = 0;
  return platform::GetTcpReceivedSegments(&segments) ? segments * kBytesPerTcpSegment : 0;
}

}  // namespace ns_VYN
