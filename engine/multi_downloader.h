#pragma once
// One download (one task) on a thread of its own: resolve and cross-check
// the host, learn the size, plan parallel byte ranges into a pre-allocated
// temporary file (or resume it from its record), watch the ranges every
// 200 ms, re-request what failed, split running ranges when one finishes,
// report progress, and at the end check size and MD5 and rename the file.
// An attempt that fails is repeated, up to ten attempts.
//
// Threads: Start, Cancel, Resume and the destructor come from the engine's
// command thread; the accessors from any thread; everything else runs on
// the download thread. The range list is guarded by rangesMutex_; the file
// and its writes by the cache file's own mutex.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/cache_file.h"
#include "engine/event_record.h"
#include "engine/file_writer.h"
#include "engine/range_plan.h"

namespace ns_VYN {

class CRangeTransfer;

// The pause between two attempts (5 s). Tests that run through many failed
// attempts shorten it; the shipped value stays.
void OverrideAttemptPauseForTesting(std::chrono::milliseconds pause);

class CMultiDownloader : public IFileWriter, public IEventSender {
 public:
  static constexpr int kMaxAttempts = 10;
  // Progress between two periodic resume records.
  static constexpr int64_t kRecordInterval = 31457280;

  CMultiDownloader();
  // Waits for the download thread, then destroys the ranges still listed.
  ~CMultiDownloader() override;
  CMultiDownloader(const CMultiDownloader&) = delete;
  CMultiDownloader& operator=(const CMultiDownloader&) = delete;

  // Range transfers write here (from their own threads).
  int64_t Write(int64_t offset, int64_t count, const void* bytes) override;
  // Sends one event of this task, while notifying is on and an observer is set.
  void SendEvent(int type, intptr_t data, int value1, int value2) override;

  // Configuration, before Start.
  void SetObserver(IObserver* observer) { observer_ = observer; }
  void SetServerMd5(const std::string& text) { cache_.SetServerMd5(text); }
  void SetExeVersion(const std::string& version) { exeVersion_ = version; }

  // Stores the task (a "\\" is appended to a folder that lacks it) and
  // starts the download thread.
  bool Start(int taskId, const std::string& url, const std::string& saveFolder);
  // Stops the download: running ranges are cancelled at once, and a download
  // that has no ranges at this moment (resolving, probing, between attempts)
  // ends at its next step. Either way it ends with status 13.
  bool Cancel();
  // Returns paused ranges to running.
  bool Resume();
  // Events are sent only while this is on (initially on).
  void SetNotify(bool notify) { notify_ = notify; }

  // Bytes received by this attempt's ranges, plus (if asked) the bytes the
  // attempt found in the file when it resumed; with them, T once the file
  // is complete.
  int64_t GetDownloaded(bool withCached);
  int64_t GetTotal() const { return total_; }
  int GetAttempt() const { return attempt_; }
  int64_t GetAttemptStartTime() const { return attemptStart_; }
  std::string GetUrl() const;
  std::string GetSaveFolder() const;
  std::string GetFileName() const;

 private:
  // multi_downloader.cpp: the download thread and its attempts.
  void Run();
  bool PrepareSize();
  bool AlreadyDownloaded();
  void RunAttempts();
  bool StartAttempt();
  void FinishAttempt();
  bool WaitBetweenAttempts();
  void SendFinished();
  void SendProgress(int64_t downloaded, int speed);

  // multi_downloader_ranges.cpp: ranges, the watch loop and progress.
  void WatchRanges();
  bool HandleEndedRange(CRangeTransfer* range, int activeRanges);
  bool CreateRange(int64_t start, int64_t end, int bufferSize, const std::string& ip);
  bool SplitRange(const std::string& ip);
  bool AllRangesComplete();
  void WaitForBuffersWritten();
  void DestroyRanges();
  void WriteBuffers();
  void WriteResumeRecord(bool detached);
  void ProgressTick();

  // multi_downloader_host.cpp: addresses and the size probe.
  bool UpdateDnsInfo(const std::string& url, bool flush);
  bool SetIpList(const std::vector<std::string>& ips);
  std::string PickIp();
  int64_t ProbeSize(const std::string& url);

  IObserver* observer_ = nullptr;
  std::atomic<int> taskId_{0};
  mutable std::mutex namesMutex_;  // file name, url, save folder
  std::string fileName_;
  std::string url_;
  std::string exeVersion_;
  std::atomic<int> attempt_{0};
  int status_ = 0;  // download thread only
  std::atomic<bool> notify_{true};
  std::string saveFolder_;
  std::wstring finalPath_;
  std::wstring tempPath_;
  std::atomic<int64_t> total_{0};
  std::atomic<int64_t> cached_{0};
  std::atomic<int64_t> attemptStart_{0};
  int64_t attemptEnd_ = 0;
  int64_t lastReported_ = 0;
  int64_t lastRecordMark_ = 0;
  std::map<std::string, int> addresses_;  // dotted address -> use count

  std::mutex rangesMutex_;
  std::list<std::unique_ptr<CRangeTransfer>> ranges_;
  bool rangeMode_ = true;
  int plannedThreads_ = kPlannedThreads;
  int bufferSize_ = kMaxBufferSize;
  FlowBaselines flow_;

  std::atomic<bool> cancelled_{false};
  std::atomic<bool> complete_{false};  // the file is at its final path
  std::mutex waitMutex_;  // wakes the wait between attempts on Cancel
  std::condition_variable wake_;

  // The destructor empties the range list before this goes, for the ranges
  // write into it.
  CCacheFile cache_{this, &status_};
  std::thread thread_;
};

}  // namespace ns_VYN
