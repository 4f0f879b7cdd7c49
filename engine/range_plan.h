#pragma once
// How many ranges a download runs and how large their buffers are: the plan
// from the available physical memory, the even split of the file, the split
// of the largest running work when a range ends, and the flow rule that
// grows the number of parallel ranges towards 48 while the download gets
// less than 79% of the machine's incoming TCP traffic and shrinks it back
// towards the plan while it gets more than 81%.
#include <cstddef>
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
// A finished range's connection splits the lowest running range that still
// has at least this much to do (a couple of seconds of a slow connection, so
// the watch loop, which deals with 3 ended ranges per 200 ms, keeps every
// connection busy); only when none has, the range with the most left.
inline constexpr int64_t kHeadSplitRemaining = 8 << 20;

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
// The even split reshaped so that the ranges grow from the head of the file
// to its tail (range i weighs i + 2), same count, same coverage. The small
// head ranges end early and their connections go on to split the lowest
// running work, so the file fills from its head during the download and the
// streaming MD5 keeps pace, instead of all ranges ending together and the
// whole file being digested after the last byte. Files too small for every
// range to get 2 MiB keep the even split.
std::vector<RangeBounds> HeadFirstBounds(const std::vector<RangeBounds>& even);

// The running range to split when a range has ended: of those whose
// remaining count is more than 1 MiB, the lowest in the file that has at
// least kHeadSplitRemaining left, else the one with the most left; null when
// none qualifies. Call under the range-list mutex.
template <class Ranges>
CRangeTransfer* FindSplittableRange(const Ranges& ranges);
bool IsSplittable(const CRangeTransfer& range);
struct SplitCandidate {
  int64_t start = 0;
  int64_t remaining = 0;
};
// The index of the candidate to split by the rule above (the candidates are
// splittable ranges), or -1 when there is none.
int PickSplitCandidate(const std::vector<SplitCandidate>& candidates);

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
  std::vector<CRangeTransfer*> splittable;
  std::vector<SplitCandidate> candidates;
  for (const auto& range : ranges) {
    if (!range || !IsSplittable(*range)) continue;
    splittable.push_back(&*range);
    candidates.push_back({range->GetStart(), range->GetRemaining()});
  }
  const int picked = PickSplitCandidate(candidates);
  return picked < 0 ? nullptr : splittable[std::size_t(picked)];
}

}  // namespace ns_VYN
