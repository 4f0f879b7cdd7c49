// CMultiDownloader: the attempt's ranges, the 200 ms watch loop, splits,
// re-requests and progress.
#include <curl/curl.h>

#include <chrono>
#include <thread>

#include "engine/download_status.h"
#include "engine/multi_downloader.h"
#include "engine/range_transfer.h"
#include "platform/system_info.h"
#include "system/log.h"

namespace ns_VYN {
namespace {

constexpr auto kWatchInterval = std::chrono::milliseconds(200);
// Ended ranges dealt with per pass of the watch loop.
constexpr size_t kEndedPerPass = 3;

// A captive network's block page, reached by a redirect: range requests
// make no sense through it.
bool IsLocalBlockPage(const std::string& effectiveUrl) {
  size_t hostStart = effectiveUrl.find("://");
  if (hostStart == std::string::npos) return false;
  std::string rest = effectiveUrl.substr(hostStart + 3);
  bool localHost = rest.rfind("10.", 0) == 0 || rest.rfind("192.", 0) == 0 || rest.rfind("172.", 0) == 0;
  return localHost && rest.find("disable.htm") != std::string::npos;
}

}  // namespace

int64_t CMultiDownloader::GetDownloaded(bool withCached) {
  if (withCached && complete_) return total_;
  std::lock_guard<std::mutex> lock(rangesMutex_);
  int64_t sum = withCached ? cached_.load() : 0;
  for (const auto& range : ranges_) sum += range->GetReceived();
  return sum;
}

// Runs until no range is active and every ended range has been dealt with.
// Passes follow each other every 200 ms while ranges run; once none runs,
// the ended ones left over (at most 3 are dealt with per pass) are dealt
// with at once, for nothing is left to wait for.
void CMultiDownloader::WatchRanges() {
  for (bool more = true, wait = true; more;) {
    if (wait) std::this_thread::sleep_for(kWatchInterval);
    ProgressTick();
    std::vector<CRangeTransfer*> ended;
    int active = 0;
    {
      std::lock_guard<std::mutex> lock(rangesMutex_);
      for (auto& range : ranges_) {
        if (!IsFinalRangeState(range->State())) {
          ++active;
        } else if (!range->Handled()) {
          range->SetHandled(true);
          ended.push_back(range.get());
          if (ended.size() == kEndedPerPass) break;
        }
      }
    }
    more = active > 0 || !ended.empty();
    wait = active > 0;
    for (CRangeTransfer* range : ended) {
      if (HandleEndedRange(range, active)) status_ = kStatusSuccess;  // being dealt with
    }
  }
  // Whatever is still missing makes the attempt fail: a pre-allocated file
  // always has the right size, so a hole would reach the digest check (and
  // pass it when no digest is expected). A cancelled download ends as
  // cancelled whatever else its ranges met, so that its file is kept.
  if (!AllRangesComplete()) {
    if (cancelled_) {
      status_ = kStatusCancelled;
    } else if (status_ == kStatusSuccess) {
      status_ = kStatusReceiveFailed;
    }
  }
}

// Maps the range's outcome to the status and splits or re-requests; true
// when a new range took over the work.
bool CMultiDownloader::HandleEndedRange(CRangeTransfer* range, int activeRanges) {
  int code = range->GetCurlCode();
  if (code != CURLE_OK && code != CURLE_WRITE_ERROR && code != CURLE_ABORTED_BY_CALLBACK) {
    Log(1, "[ERROR] multi, curl_error=[%d][%s].", code,
        curl_easy_strerror(static_cast<CURLcode>(code)));
    if (code == CURLE_COULDNT_CONNECT) status_ = kStatusConnectFailed;
    if (code == CURLE_SEND_ERROR) status_ = kStatusSendFailed;
    if (code == CURLE_RECV_ERROR) status_ = kStatusReceiveFailed;
    if (code == CURLE_RANGE_ERROR) {
      rangeMode_ = false;
      status_ = kStatusReceiveFailed;
    }
  }
  if (range->GetHttpCode() == 416 || range->RangeIgnored()) {
    rangeMode_ = false;
    status_ = kStatusReceiveFailed;
  }
  if (IsLocalBlockPage(range->GetEffectiveUrl())) rangeMode_ = false;
  // A client error (the package is gone, access is refused) will be the
  // same answer for every request of this attempt: asking again at once
  // would go on for ever. Server errors and network failures pass, so
  // their ranges are asked for again.
  const int http = range->GetHttpCode();
  const bool clientError = http >= 400 && http < 500;
  if (clientError) status_ = kStatusReceiveFailed;
  const bool mayContinue = rangeMode_ && !cancelled_ && !clientError;

  switch (range->State()) {
    case kRangeSuccess: {
      if (!mayContinue) return false;
      int splits = FlowRate(activeRanges + 1, plannedThreads_, GetDownloaded(false), TcpInBytes(),
                            &flow_) + 1;
      bool created = false;
      for (int i = 0; i < splits && SplitRange(range->GetIp()); ++i) created = true;
      return created;
    }
    case kRangeFailed: {
      int64_t from = range->GetStart() + range->GetReceived();
      int64_t to = range->GetEnd();
      if (!mayContinue || from > to) return false;
      Log(3, "[INFO] multi, failed, redownload range(%lld~%lld).", static_cast<long long>(from),
          static_cast<long long>(to));
      range->SetRerequested();
      return CreateRange(from, to, AvailMemForBuffer(), "");
    }
    case kRangeCancelled:
      status_ = kStatusCancelled;
      return false;
    default:
      return false;
  }
}

bool CMultiDownloader::CreateRange(int64_t start, int64_t end, int bufferSize,
                                   const std::string& ip) {
  if (bufferSize < kMinBufferSize) {
    Log(1, "[ERROR] multi, free memory less 1M.");
    return false;
  }
  auto range = std::make_unique<CRangeTransfer>();
  std::string address = ip.empty() ? PickIp() : ip;
  bool ok = range->Init(url_, start, end, address, tempPath_);
  if (ok) {
    range->SetTotal(total_);
    range->SetBufferSize(bufferSize);
    range->SetWriter(this);
    SendEvent(kEventRangeHost, reinterpret_cast<intptr_t>(address.c_str()), 0, 0);
    SendEvent(kEventRangeLength, static_cast<int32_t>(range->GetRemaining()), 0, 0);
    range->SetHandled(false);
    range->Start();
  }
  std::lock_guard<std::mutex> lock(rangesMutex_);
  // A cancel that came while this range was being made still reaches it.
  if (cancelled_) range->Cancel();
  ranges_.push_back(std::move(range));
  return ok;
}

// Hands the upper half of the largest running work to a new range on
// `ip`, the address of a connection that has just proved good.
bool CMultiDownloader::SplitRange(const std::string& ip) {
  CRangeTransfer* old = nullptr;
  RangeBounds bounds;
  {
    std::lock_guard<std::mutex> lock(rangesMutex_);
    old = FindSplittableRange(ranges_);
    if (old == nullptr) return false;
    bounds = SplitBoundsOf(*old);
  }
  // The old range stays listed (only this thread removes ranges), so the
  // pointer outlives the lock.
  if (!CreateRange(bounds.start, bounds.end, AvailMemForBuffer(), ip)) return false;
  old->LowerEnd(bounds.start - 1);
  return true;
}

bool CMultiDownloader::AllRangesComplete() {
  std::lock_guard<std::mutex> lock(rangesMutex_);
  for (const auto& range : ranges_) {
    bool done = range->State() == kRangeSuccess || range->Rerequested() ||
                range->GetRemaining() == 0;
    if (!done) return false;
  }
  return true;
}

// A cancelled range writes what it holds in its buffer at its next
// progress call, which may come after the watch loop saw it end. The record
// counts written bytes only, so a short wait keeps those bytes from being
// fetched again. A range whose writes fail never catches up: the wait is
// bounded.
void CMultiDownloader::WaitForBuffersWritten() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  auto allWritten = [this] {
    std::lock_guard<std::mutex> lock(rangesMutex_);
    for (const auto& range : ranges_) {
      if (range->GetSaved() < range->GetReceived()) return false;
    }
    return true;
  };
  while (!allWritten() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void CMultiDownloader::DestroyRanges() {
  std::list<std::unique_ptr<CRangeTransfer>> doomed;
  {
    std::lock_guard<std::mutex> lock(rangesMutex_);
    doomed.swap(ranges_);
  }
  doomed.clear();  // each cancels and joins its thread
}

// The record counts saved bytes only. Buffers are written first, so that a
// process killed at any moment loses at most what arrived since the last
// record, not also what sat in up to 48 buffers of 5 MiB.
void CMultiDownloader::WriteBuffers() {
  std::vector<CRangeTransfer*> running;
  {
    std::lock_guard<std::mutex> lock(rangesMutex_);
    for (auto& range : ranges_) running.push_back(range.get());
  }
  // Only this thread removes ranges, so the pointers outlive the lock.
  for (CRangeTransfer* range : running) range->WriteBuffered();
}

void CMultiDownloader::WriteResumeRecord(bool detached) {
  std::vector<ResumePair> pairs;
  {
    std::lock_guard<std::mutex> lock(rangesMutex_);
    pairs = CollectResumePairs(ranges_);
  }
  if (detached) {
    cache_.WriteCacheInfoDetached(std::move(pairs));
  } else {
    cache_.WriteCacheInfo(pairs);
  }
}

void CMultiDownloader::ProgressTick() {
  int64_t downloaded = GetDownloaded(true);
  if (downloaded != lastReported_) {
    lastReported_ = downloaded;
    int64_t seconds = platform::GetUnixTimeNow() - attemptStart_;
    SendProgress(downloaded, static_cast<int>(GetDownloaded(false) / (seconds < 1 ? 1 : seconds)));
  }
  if (lastRecordMark_ > downloaded) lastRecordMark_ = 0;
  if (downloaded - lastRecordMark_ >= kRecordInterval) {
    lastRecordMark_ = downloaded;
    WriteBuffers();
    WriteResumeRecord(true);
  }
}

}  // namespace ns_VYN
