#pragma once
// What the user of the download engine implements to hear about its tasks.
// Calls arrive on the engine's download threads, several tasks possibly at
// once; an implementation guards its own state and must not call
// GetTaskInfo, GetTaskCount, RemoveTaskIfExists or RemoveAllTasks from here
// (removing a task waits for the very thread that runs the callback).
// The slot order is part of the interface.
#include <cstdint>
#include <string>

namespace ns_VYN {

class IDownloaderManagerCallBack {
 public:
  virtual void OnFileName(int taskId, const wchar_t* fileName) = 0;
  virtual void OnFileSize(int taskId, int64_t total) = 0;
  virtual void OnProgress(int taskId, int64_t downloaded, int64_t total, int speed) = 0;
  virtual void OnSuccess(int taskId) = 0;
  virtual void OnFailed(int taskId, int status) = 0;
  virtual void OnRangeEvent(int taskId, int sender, int kind, int64_t value) = 0;
  virtual void OnStart(int taskId) = 0;
  virtual void OnRangeHost(int taskId, const std::string& address) = 0;
  virtual void OnRetry(int taskId, int attempt) = 0;
  virtual void OnAttemptEnd(int taskId, int attempt, int status) = 0;
  virtual void OnFileMd5(int taskId, const std::string& digest) = 0;
  virtual void OnMd5Match(int taskId) = 0;
  virtual void OnFileOpFailed(int taskId, int what, int error) = 0;
  virtual void OnGetInfoFailed(int taskId, int reason) = 0;
  virtual void OnDnsCacheCleared(int taskId, int status) = 0;
  virtual void OnDnsQueried(int taskId, const std::string& host, const std::string& addresses) = 0;
  virtual void OnPrepare(int taskId) = 0;
  virtual void OnPlan(int taskId, int threads, int bufferSize) = 0;

 protected:
  ~IDownloaderManagerCallBack() = default;
};

}  // namespace ns_VYN
