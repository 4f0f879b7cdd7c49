#pragma once
// One byte range of a package, fetched over its own libcurl easy handle on a
// thread of its own, optionally pinned to one address of the host
// (CURLOPT_RESOLVE). It buffers what arrives and writes it at the range's own
// offsets through IFileWriter, and decides by itself when it is complete,
// stalled or failed. The downloader watches State() and handles each ended
// range once (Handled/SetHandled).
//
// Threads: the transfer and both libcurl callbacks run on the range's thread.
// The downloader thread reads the counters, and LowerEnd shortens a running
// range when it is split; Cancel comes from the command thread. start is
// fixed after Init; end, received, saved, state and the last data time are
// atomics, and the steps that change end or received together (accepting a
// chunk, writing the buffer, LowerEnd) hold boundsMutex_, so no byte past a
// lowered end is ever counted or written.
#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/file_writer.h"
#include "engine/resume_record.h"
#include "platform/page_buffer.h"

namespace ns_VYN {

enum RangeState : int {
  kRangeNew = -1,
  kRangeRunning = 1,
  kRangePaused = 2,
  kRangeCancelled = 3,  // final
  kRangeSuccess = 4,    // final
  kRangeFailed = 5,     // final
};
inline bool IsFinalRangeState(int state) { return state >= kRangeCancelled; }

// Time limits of every range. The defaults are the shipped values; tests may
// shorten them (OverrideRangeTimingForTesting) so that stalls end quickly.
struct RangeTiming {
  int stallSeconds = 10;     // no data for longer than this, after some data: failed
  long lowSpeedTime = 60;    // libcurl: below 1 byte/s for this long ends the transfer
  long connectTimeout = 10;  // libcurl connect limit, seconds
};
void OverrideRangeTimingForTesting(const RangeTiming& timing);
RangeTiming CurrentRangeTiming();

class CRangeTransfer {
 public:
  static constexpr int kDefaultBufferSize = 5242880;

  CRangeTransfer() = default;
  // Cancel, join the thread, clean up the handle and lists.
  ~CRangeTransfer();
  CRangeTransfer(const CRangeTransfer&) = delete;
  CRangeTransfer& operator=(const CRangeTransfer&) = delete;

  // Builds the easy handle: "Range: bytes=start-[end]" (end only when it is
  // positive and not below start), pinned to `ip` when that is not empty.
  // False, logged, when no handle can be created; the range is then failed
  // (final), so it never counts as active.
  bool Init(const std::string& url, int64_t start, int64_t end, const std::string& ip,
            const std::wstring& tempPath);
  // Set by the downloader after a successful Init, before Start.
  void SetTotal(int64_t total) { total_ = total; }
  void SetBufferSize(int size) { bufferSize_ = size; }
  void SetWriter(IFileWriter* writer) { writer_ = writer; }

  // From new: running, and the transfer thread starts. A range with nothing
  // to fetch (start past its effective end) succeeds at once without any
  // request. False from any other state.
  bool Start();
  // From running or paused: cancelled (the transfer stops at its next
  // progress call). True if it changed something.
  bool Cancel();
  // Paused -> running (nothing in the engine pauses; kept for the resume
  // command). True if it changed something.
  bool Resume();
  // Writes and frees the buffer, then enters `state` unless the range is
  // already final (final states are never left) or already in it.
  void SetState(int state);

  // Writes what the buffer holds now (any thread), so that the next resume
  // record can count it as saved. A failed write leaves the buffer as it is
  // for the range's own thread to deal with.
  void WriteBuffered();

  // Split: the range now ends at `newEnd`; received is cut to the new length
  // when it was past it. Bytes past the new end are neither counted nor written.
  void LowerEnd(int64_t newEnd);

  int State() const { return state_.load(); }
  int64_t GetStart() const { return start_; }
  int64_t GetEnd() const;        // effective end: end, or T - 1 when end is negative
  int64_t GetRawEnd() const { return end_.load(); }
  int64_t GetRemaining() const;  // effective end - (start + received) + 1, at least 0
  int64_t GetReceived() const { return received_.load(); }
  int64_t GetSaved() const { return saved_.load(); }
  int64_t GetLastDataTime() const { return lastDataTime_.load(); }
  int64_t GetStartTime() const { return startTime_.load(); }
  int64_t GetEndTime() const { return endTime_.load(); }
  double GetSpeed() const { return speed_.load(); }
  int64_t GetTotal() const { return total_; }
  int GetBufferSize() const { return bufferSize_; }
  // Set before the state that they explain becomes final; a range ended by
  // its callbacks (success, stall, cancel) gets its codes a moment later.
  int GetCurlCode() const { return curlCode_.load(); }
  int GetHttpCode() const { return httpCode_.load(); }
  // The server answered 200 (whole file) to a range that does not start at
  // 0: nothing of that body was written and the range failed. The downloader
  // turns range mode off and sets status 3, as for a refused range.
  bool RangeIgnored() const { return rangeIgnored_.load(); }
  std::string GetIp() const { return ip_; }
  std::string GetEffectiveUrl() const;  // empty unless a redirect changed the URL
  const std::string& GetUrl() const { return url_; }

  // Downloader-side bookkeeping (download thread only).
  bool Handled() const { return handled_; }
  void SetHandled(bool handled) { handled_ = handled; }
  // A failed range whose rest has been requested again by a new range: its
  // rest is no longer listed in the resume record (the new range is).
  bool Rerequested() const { return rerequested_.load(); }
  void SetRerequested() { rerequested_ = true; }

 private:
  static size_t OnData(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
  // What the first bytes of the final answer say about its body.
  enum class Body { kUnknown, kAccept, kDiscard, kRefuse };
  Body JudgeBody();
  size_t Accept(const char* data, size_t size);
  int Progress();
  void Run();
  void Finish();
  bool Complete() const;  // start + received > effective end
  // Writes the buffer (boundsMutex_ held). A failed write takes its bytes
  // back out of received, so received - saved is always what the buffer holds.
  bool FlushLocked();
  bool WriteBufferLocked();  // the write of FlushLocked; false leaves the buffer untouched
  bool Transition(int from, int to);
  void LogStateChange(int state);

  CURL* handle_ = nullptr;
  curl_slist* resolveList_ = nullptr;
  curl_slist* headerList_ = nullptr;
  int64_t start_ = 0;
  std::atomic<int64_t> end_{-1};
  std::atomic<int64_t> received_{0};
  std::atomic<int64_t> saved_{0};
  std::atomic<int64_t> lastDataTime_{0};
  std::string url_;
  mutable std::mutex effectiveUrlMutex_;
  std::string effectiveUrl_;
  std::string host_;
  std::string ip_;
  std::wstring tempPath_;
  std::atomic<int> state_{kRangeNew};
  platform::PageBuffer buffer_;
  int64_t bufferUsed_ = 0;
  std::atomic<int64_t> startTime_{0};
  std::atomic<int64_t> endTime_{0};
  std::atomic<double> speed_{0};
  int64_t total_ = 0;
  std::atomic<int> curlCode_{0};
  bool handled_ = false;
  std::atomic<bool> rerequested_{false};
  std::thread thread_;
  int bufferSize_ = kDefaultBufferSize;
  std::atomic<int> httpCode_{0};
  IFileWriter* writer_ = nullptr;
  std::atomic<bool> rangeIgnored_{false};
  std::atomic<bool> unpause_{false};
  Body body_ = Body::kUnknown;  // range thread only
  std::mutex boundsMutex_;  // end/received/saved changes and the buffer
};

// "host:port:ip" entries that pin the URL's host to `ip` for CURLOPT_RESOLVE:
// the URL's own port when it names one, else ports 443 and 80.
curl_slist* PinnedResolveList(const std::string& url, const std::string& ip);
// The text of the URL between "://" and the next "/" (may carry a port).
std::string HostTextOf(const std::string& url);

// The pair a range contributes to the resume record: (start + saved,
// effective end) while it is new, running, paused or cancelled, or failed and
// not yet requested again; nothing once it succeeded or when its rest is empty.
bool ResumePairOf(const CRangeTransfer& range, int64_t* first, int64_t* last);

// The resume record's pairs for a range list (any container of range
// pointers), merged so that they never overlap. Call it under the range-list
// mutex, then hand the pairs to CCacheFile::WriteCacheInfo[Detached].
template <class Ranges>
std::vector<ResumePair> CollectResumePairs(const Ranges& ranges) {
  std::vector<ResumePair> pairs;
  for (const auto& range : ranges) {
    ResumePair pair;
    if (range && ResumePairOf(*range, &pair.first, &pair.last)) pairs.push_back(pair);
  }
  return MergeResumePairs(std::move(pairs));
}

}  // namespace ns_VYN
