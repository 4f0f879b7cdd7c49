#pragma once
// A callback receiver that turns every engine event into one text line,
// "<slot> <task id> <values...>", for command-line front ends and logs:
//   OnFileName 7 setup.exe        OnPlan 7 24 5242880
//   OnProgress 7 1048576 4194304 2097152     OnFailed 7 13
// Lines go to the sink in the order the events arrive (the sink is called
// under a lock, so it may be a plain append).
#include <functional>
#include <mutex>
#include <string>

#include "engine/downloader_manager_callback.h"

namespace ns_VYN {

class EventLines : public IDownloaderManagerCallBack {
 public:
  explicit EventLines(std::function<void(const std::string&)> sink);
  virtual ~EventLines() = default;

  void OnFileName(int taskId, const wchar_t* fileName) override;
  void OnFileSize(int taskId, int64_t total) override;
  void OnProgress(int taskId, int64_t downloaded, int64_t total, int speed) override;
  void OnSuccess(int taskId) override;
  void OnFailed(int taskId, int status) override;
  void OnRangeEvent(int taskId, int sender, int kind, int64_t value) override;
  void OnStart(int taskId) override;
  void OnRangeHost(int taskId, const std::string& address) override;
  void OnRetry(int taskId, int attempt) override;
  void OnAttemptEnd(int taskId, int attempt, int status) override;
  void OnFileMd5(int taskId, const std::string& digest) override;
  void OnMd5Match(int taskId) override;
  void OnFileOpFailed(int taskId, int what, int error) override;
  void OnGetInfoFailed(int taskId, int reason) override;
  void OnDnsCacheCleared(int taskId, int status) override;
  void OnDnsQueried(int taskId, const std::string& host, const std::string& addresses) override;
  void OnPrepare(int taskId) override;
  void OnPlan(int taskId, int threads, int bufferSize) override;

 private:
  void Emit(const char* slot, int taskId, const std::string& values);

  std::mutex mutex_;
  std::function<void(const std::string&)> sink_;
};

}  // namespace ns_VYN
