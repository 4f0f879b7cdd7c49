#pragma once
// How many ranges a download runs and how large their buffers are: the plan
// from the available physical memory, the even split of the file, the split
// of the largest running work when a range ends, and the flow rule that
// grows the number of parallel ranges towards 48 while the download gets
// less than 79% of the machine's incoming TCP traffic and shrinks it back
// towards the plan while it gets more than 81%.
#include <cstdint>
#include <vector>

namespace ns_VYN {

class CRangeTransfer;

inline constexpr int kPlannedThreads = 24;
inline constexpr int kMaxBufferSize = 5242880;             // 5 MiB
inline constexpr uint64_t kFullPlanMemory = 125829119;     // above: 24 x 5 MiB
inline constexpr int kMinBufferSize = 1048576;             // 1 MiB; also the least splittable rest
inline constexpr int kMaxParallelRanges = 48;
inline constexpr double kFlowLow = 0.79;
inline constexpr double kFlowHigh = 0.81;
inline constexpr uint64_t kBytesPerTcpSegment = 1460;

struct ThreadPlan {
  int threads = kPlannedThreads;
  int bufferSize = kMaxBufferSize;
};
// The plan for `availableMemory` bytes of physical memory.
ThreadPlan PlanThreadsFor(uint64_t availableMemory);
// The plan for this machine now (0 available memory when it can not be read);
// the downloader sends event 18 with it.
ThreadPlan PlanThreads();
// Buffer size for ranges created after the plan: available memory, at most
// 5 MiB (0 when it can not be read: CreateRange then refuses the range).
int AvailMemForBuffer();

struct RangeBounds {
  int64_t start = 0;
  int64_t end = 0;  // inclusive; -1: open to the end of the file
  bool operator==(const RangeBounds&) const = default;
};
// The attempt's initial ranges. Range mode: `threads` chunks of
// ceil(T / threads) bytes, the last cut at T - 1, none that would start past
// T - 1. Without range mode: one range (0, open end), and the downloader
// logs "[WARN] not support range download.".
std::vector<RangeBounds> PlanRangeBounds(int64_t total, int threads, bool rangeMode);

// The first running range (list order) whose remaining count is more than
// 1 MiB, or null. Call under the range-list mutex.
template <class Ranges>
CRangeTransfer* FindSplittableRange(const Ranges& ranges);
bool IsSplittable(const CRangeTransfer& range);

// The upper half of `range`'s rest: new start = effective end - remaining / 2;
// the new range runs from it to the old effective end. After creating it the
// downloader calls range.LowerEnd(newStart - 1).
RangeBounds SplitBoundsOf(const CRangeTransfer& range);

// The flow rule. `baselines` keeps, per attempt, the machine's TCP bytes and
// the download's own bytes of the previous call; the downloader starts an
// attempt with {TcpInBytes(), 0}.
struct FlowBaselines {
  uint64_t systemBytes = 0;
  uint64_t ownBytes = 0;
};
// -1 shrink, 0 keep, 1 grow (the caller makes result + 1 splits).
// `threadCount` = active ranges + 1; `ownBytes` = downloaded this attempt
// (without cached bytes); `systemBytes` = TcpInBytes(). Logs the share when
// the download got less than all the traffic.
int FlowRate(int threadCount, int plannedThreads, uint64_t ownBytes, uint64_t systemBytes,
             FlowBaselines* baselines, double low = kFlowLow, double high = kFlowHigh);
// Received TCP segments x 1460; 0 when the statistics can not be read.
uint64_t TcpInBytes();

template <class Ranges>
CRangeTransfer* FindSplittableRange(const Ranges& ranges) {
  for (const auto& range : ranges) {
    if (range && IsSplittable(*range)) return &*range;
  }
  return nullptr;
}

}  // namespace ns_VYN
