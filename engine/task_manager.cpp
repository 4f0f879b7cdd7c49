#include "engine/task_manager.h"

#include "engine/multi_downloader.h"
#include "platform/system_info.h"
#include "system/log.h"
#include "system/text_convert.h"

namespace ns_VYN {

CMultiTaskManager::CMultiTaskManager() = default;
CMultiTaskManager::~CMultiTaskManager() { RemoveAllTasks(); }

int CMultiTaskManager::GetTaskCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(tasks_.size());
}

int CMultiTaskManager::AddTask(const std::wstring& url, const std::wstring& saveFolder,
                               const std::wstring& /*reserved*/, int taskId,
                               const std::wstring& exeVersion, const std::wstring& md5,
                               int /*flags*/) {
  std::lock_guard<std::mutex> lock(mutex_);
  RemoveLocked(taskId);
  auto downloader = std::make_unique<CMultiDownloader>();
  CMultiDownloader* task = downloader.get();
  tasks_[taskId] = std::move(downloader);
  task->SetObserver(observer_);
  task->SetServerMd5(WideToUtf8(md5));
  std::string version = WideToUtf8(exeVersion);
  Log(3, "[INFO] multi, set exe version=[%s].", version.c_str());
  task->SetExeVersion(version);
  task->Start(taskId, WideToUtf8(url), WideToUtf8(saveFolder));
  return taskId;
}

bool CMultiTaskManager::StopTask(int taskId) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = tasks_.find(taskId);
  if (found == tasks_.end()) return false;
  found->second->SetNotify(false);
  found->second->Cancel();
  return true;
}

bool CMultiTaskManager::ResumeTask(int taskId) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = tasks_.find(taskId);
  return found != tasks_.end() && found->second->Resume();
}

bool CMultiTaskManager::RemoveAllTasks() {
  std::lock_guard<std::mutex> lock(mutex_);
  // Cancel all first so that the downloads wind down together, then wait.
  for (auto& task : tasks_) task.second->Cancel();
  tasks_.clear();
  return true;
}

bool CMultiTaskManager::RemoveTask(int taskId) {
  std::lock_guard<std::mutex> lock(mutex_);
  return RemoveLocked(taskId);
}

bool CMultiTaskManager::RemoveLocked(int taskId) {
  auto found = tasks_.find(taskId);
  if (found == tasks_.end()) return false;
  found->second->Cancel();
  tasks_.erase(found);  // the downloader's destructor waits for its thread
  return true;
}

bool CMultiTaskManager::HasTask(int taskId) {
  std::lock_guard<std::mutex> lock(mutex_);
  return taskId == -1 ? !tasks_.empty() : tasks_.count(taskId) != 0;
}

bool CMultiTaskManager::GetTaskProgress(int taskId, int64_t* total, int64_t* downloaded,
                                        int64_t* attempt, int* elapsedSeconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = tasks_.find(taskId);
  if (found == tasks_.end()) return false;
  CMultiDownloader& task = *found->second;
  *total = task.GetTotal();
  *downloaded = task.GetDownloaded(true);
  *attempt = task.GetAttempt();
  int64_t elapsed = platform::GetUnixTimeNow() - task.GetAttemptStartTime();
  *elapsedSeconds = static_cast<int>(elapsed < 1 ? 1 : elapsed);
  return true;
}

int CMultiTaskManager::GetTaskStrings(int taskId, std::wstring* url, std::wstring* saveFolder,
                                      std::wstring* fileName) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = tasks_.find(taskId);
  if (found != tasks_.end()) {
    *url = Utf8ToWide(found->second->GetUrl());
    *saveFolder = Utf8ToWide(found->second->GetSaveFolder());
    *fileName = Utf8ToWide(found->second->GetFileName());
  }
  return 0;
}

}  // namespace ns_VYN
