#include "engine/multi_downloader.h"

#include <chrono>

#include "engine/download_status.h"
#include "engine/package_file_name.h"
#include "engine/range_transfer.h"
#include "engine/resumed_ranges.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "system/log.h"
#include "system/text_convert.h"

namespace ns_VYN {
namespace {

std::atomic<int64_t> attemptPauseMs{5000};
// The attempt that first flushes the system's DNS cache and resolves again.
constexpr int kFlushAttempt = 5;

}  // namespace

void OverrideAttemptPauseForTesting(std::chrono::milliseconds pause) {
  attemptPauseMs = pause.count();
}

CMultiDownloader::CMultiDownloader() = default;

CMultiDownloader::~CMultiDownloader() {
  if (thread_.joinable()) thread_.join();
  DestroyRanges();
}

int64_t CMultiDownloader::Write(int64_t offset, int64_t count, const void* bytes) {
  return cache_.Write(offset, count, bytes);
}

void CMultiDownloader::SendEvent(int type, intptr_t data, int value1, int value2) {
  if (!notify_ || observer_ == nullptr) return;
  observer_->Notify(new EventRecord{-1, taskId_, type, data, value1, value2}, 0);
}

void CMultiDownloader::SendProgress(int64_t downloaded, int speed) {
  if (!notify_ || observer_ == nullptr) return;
  // The observer frees the block with the record.
  auto* block = new ProgressBlock{-1, total_, downloaded, speed};
  observer_->Notify(new EventRecord{-1, taskId_, kEventProgress, reinterpret_cast<intptr_t>(block), 0, 0}, 0);
}

bool CMultiDownloader::Start(int taskId, const std::string& url, const std::string& saveFolder) {
  Log(3, "[INFO] multi, download id=[%d], url=[%s], dir=[%s].", taskId, url.c_str(),
      saveFolder.c_str());
  taskId_ = taskId;
  {
    std::lock_guard<std::mutex> lock(namesMutex_);
    url_ = url;
    saveFolder_ = saveFolder;
    if (!saveFolder_.empty() && saveFolder_.back() != '\\') saveFolder_ += '\\';
  }
  thread_ = std::thread([this] { Run(); });
  return true;
}

bool CMultiDownloader::Cancel() {
  std::lock_guard<std::mutex> lock(rangesMutex_);
  Log(3, "[INFO] multi, cancel.");
  {
    std::lock_guard<std::mutex> waitLock(waitMutex_);
    cancelled_ = true;
  }
  wake_.notify_all();
  for (auto& range : ranges_) range->Cancel();
  return true;
}

bool CMultiDownloader::Resume() {
  std::lock_guard<std::mutex> lock(rangesMutex_);
  Log(3, "[INFO] multi, resume.");
  for (auto& range : ranges_) range->Resume();
  return true;
}

std::string CMultiDownloader::GetUrl() const {
  std::lock_guard<std::mutex> lock(namesMutex_);
  return url_;
}

std::string CMultiDownloader::GetSaveFolder() const {
  std::lock_guard<std::mutex> lock(namesMutex_);
  return saveFolder_;
}

std::string CMultiDownloader::GetFileName() const {
  std::lock_guard<std::mutex> lock(namesMutex_);
  return fileName_;
}

void CMultiDownloader::Run() {
  Log(3, "[INFO] multi, thread begin.");
  SendEvent(kEventPrepare, 0, 0, 0);
  SendEvent(kEventStart, 0, 0, 0);
  UpdateDnsInfo(url_, false);

  std::string fileName = PackageFileName(url_);
  {
    std::lock_guard<std::mutex> lock(namesMutex_);
    fileName_ = fileName;
  }
  finalPath_ = Utf8ToWide(saveFolder_ + fileName);
  tempPath_ = TemporaryPathOf(finalPath_);
  std::wstring wideName = Utf8ToWide(fileName);
  SendEvent(kEventFileName, reinterpret_cast<intptr_t>(wideName.c_str()), 0, 0);

  if (PrepareSize() && !AlreadyDownloaded()) RunAttempts();
  SendFinished();
}

// Learns the size T (unless the host's addresses agreed on it already) and
// reports it. False, with the status set, when the download ends here.
bool CMultiDownloader::PrepareSize() {
  if (total_ <= 0 && !cancelled_) total_ = ProbeSize(url_);
  if (cancelled_) {
    status_ = kStatusCancelled;
    return false;
  }
  if (total_ <= 0) {
    Log(1, "[ERROR] multi, get file size from server failed!");
    int reason = 2;
    SendEvent(kEventGetInfoFailed, reinterpret_cast<intptr_t>(&reason), 0, 0);
    status_ = kStatusNoSize;
    return false;
  }
  cache_.SetTotal(total_);
  SendEvent(kEventFileSize, static_cast<int32_t>(total_), 0, 0);
  return true;
}

bool CMultiDownloader::AlreadyDownloaded() {
  if (!cache_.CheckFileSize(finalPath_, false) || !cache_.CheckMd5(finalPath_, false)) return false;
  Log(3, "[INFO] multi, is already downloaded.");
  status_ = kStatusSuccess;
  complete_ = true;
  return true;
}

void CMultiDownloader::RunAttempts() {
  rangeMode_ = true;
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    attempt_ = attempt;
    if (attempt == kFlushAttempt) {
      UpdateDnsInfo(url_, true);
      rangeMode_ = true;
    }
    status_ = kStatusSuccess;
    if (cancelled_) {
      status_ = kStatusCancelled;
      return;
    }
    cache_.SetTotal(total_);  // the hosts may have agreed on a new size
    flow_ = FlowBaselines{TcpInBytes(), 0};
    ThreadPlan plan = PlanThreads();
    plannedThreads_ = plan.threads;
    bufferSize_ = plan.bufferSize;
    SendEvent(kEventPlan, 0, plannedThreads_, bufferSize_);
    if (!StartAttempt()) return;

    Log(3, "[INFO] multi, start retry=[%d], thread=[%d], buffer=[%d].", attempt, plannedThreads_,
        bufferSize_);
    SendEvent(kEventAttemptStart, reinterpret_cast<intptr_t>(&attempt), 0, 0);
    attemptStart_ = platform::GetUnixTimeNow();
    WatchRanges();
    FinishAttempt();

    if (status_ == kStatusSuccess && cache_.CheckFileSize(tempPath_, true) &&
        (cache_.ServerMd5().size() < 3 || cache_.CheckMd5(tempPath_, true)) &&
        cache_.RenameToFinal(tempPath_, finalPath_)) {
      Log(3, "[INFO] multi, download success.");
      complete_ = true;
      DestroyRanges();
      SendEvent(kEventAttemptEnd, 0, attempt, status_);
      return;
    }
    Log(1, "[ERROR] multi, download failed! retry=[%d], status=[%d]", attempt, status_);
    SendEvent(kEventAttemptEnd, 0, attempt, status_);
    if (status_ == kStatusCancelled) return;  // the file and its record stay for a resume
    platform::DeleteFileAt(tempPath_);
    bool cancelledMeanwhile = !WaitBetweenAttempts();
    DestroyRanges();
    if (cancelledMeanwhile) {
      status_ = kStatusCancelled;
      return;
    }
  }
}

// Opens the temporary file: resumed from its record, or created afresh at
// full size, and creates the attempt's ranges. False (status set by the
// cache file) when there is no file to write into.
bool CMultiDownloader::StartAttempt() {
  cached_ = 0;
  cache_.CloseTempFile();
  std::map<int64_t, int64_t> pairs;
  if (cache_.ReadCacheInfo(tempPath_, total_, &pairs) && !pairs.empty()) {
    Log(3, "[INFO] multi, resume download.");
    if (!cache_.OpenTempFile(tempPath_)) return false;
    int64_t undownloaded = 0;
    for (const auto& [first, last] : pairs) undownloaded += last - first + 1;
    cached_ = total_ - undownloaded;
    Log(3, "[INFO] multi, total=[%lld], cached=[%lld], undownloaded=[%lld].",
        static_cast<long long>(total_), static_cast<long long>(cached_.load()),
        static_cast<long long>(undownloaded));
    for (const RangeBounds& bounds : PlanResumedRanges(pairs, plannedThreads_)) {
      CreateRange(bounds.start, bounds.end, bufferSize_, "");
    }
    return true;
  }
  if (!cache_.CreateTempFile(tempPath_, total_) || !cache_.OpenTempFile(tempPath_)) return false;
  if (!rangeMode_) Log(2, "[WARN] not support range download.");
  for (const RangeBounds& bounds : HeadFirstBounds(PlanRangeBounds(total_, plannedThreads_, rangeMode_))) {
    CreateRange(bounds.start, bounds.end, bufferSize_, "");
  }
  return true;
}

// Closes the attempt: last progress, the resume record of a cancelled
// attempt, the file handle; the record is cut off when all ranges succeeded.
void CMultiDownloader::FinishAttempt() {
  attemptEnd_ = platform::GetUnixTimeNow();
  int64_t seconds = attemptEnd_ - attemptStart_;
  int64_t downloaded = GetDownloaded(true);
  Log(3,
      "[INFO] multi, finished, retry=[%d], downloaded=[%lld], speed=[%.0f B/s], "
      "tEnd(%lld)-tStart(%lld)=[%lld], thread=[%d], curl_multi=[%d].",
      attempt_.load(), static_cast<long long>(downloaded),
      static_cast<double>(GetDownloaded(false)) / static_cast<double>(seconds < 1 ? 1 : seconds),
      static_cast<long long>(attemptEnd_), static_cast<long long>(attemptStart_.load()),
      static_cast<long long>(seconds), plannedThreads_, 0);
  ProgressTick();
  if (status_ == kStatusCancelled) {
    WaitForBuffersWritten();
    WriteResumeRecord(false);
  }
  cache_.CloseTempFile();
  if (status_ == kStatusSuccess) cache_.RemoveCacheInfo();
}

// False when the download was cancelled during the wait.
bool CMultiDownloader::WaitBetweenAttempts() {
  std::unique_lock<std::mutex> lock(waitMutex_);
  return !wake_.wait_for(lock, std::chrono::milliseconds(attemptPauseMs.load()),
                         [this] { return cancelled_.load(); });
}

void CMultiDownloader::SendFinished() {
  int status = status_;
  SendEvent(kEventFinished, reinterpret_cast<intptr_t>(&status), 0, 0);
}

}  // namespace ns_VYN
