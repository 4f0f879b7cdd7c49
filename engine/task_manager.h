#pragma once
// The task table: task id -> its downloader. Every operation but
// SetObserver and GetDescription holds the table's mutex, so removing a task
// waits there for its download thread to end.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "engine/event_record.h"

namespace ns_VYN {

class CMultiDownloader;

class ITaskManager {
 public:
  virtual ~ITaskManager() = default;
  virtual void SetObserver(IObserver* observer) { observer_ = observer; }
  virtual int GetTaskCount() = 0;
  // Replaces a task of the same id; the id, or -1 when no downloader could
  // be made. Reserved and flags are not used.
  virtual int AddTask(const std::wstring& url, const std::wstring& saveFolder,
                      const std::wstring& reserved, int taskId, const std::wstring& exeVersion,
                      const std::wstring& md5, int flags) = 0;
  // Silences the task (no more events) and cancels it.
  virtual bool StopTask(int taskId) = 0;
  virtual bool ResumeTask(int taskId) = 0;
  virtual bool RemoveAllTasks() = 0;
  // Cancels the task and waits for its thread; its closing events still arrive.
  virtual bool RemoveTask(int taskId) = 0;
  // taskId -1: any task.
  virtual bool HasTask(int taskId) = 0;
  virtual bool GetTaskProgress(int taskId, int64_t* total, int64_t* downloaded, int64_t* attempt,
                               int* elapsedSeconds) = 0;
  virtual std::wstring GetDescription() { return std::wstring(); }
  virtual int GetTaskStrings(int taskId, std::wstring* url, std::wstring* saveFolder,
                             std::wstring* fileName) = 0;

 protected:
  IObserver* observer_ = nullptr;  // not owned
};

class CMultiTaskManager : public ITaskManager {
 public:
  CMultiTaskManager();
  ~CMultiTaskManager() override;
  CMultiTaskManager(const CMultiTaskManager&) = delete;
  CMultiTaskManager& operator=(const CMultiTaskManager&) = delete;

  int GetTaskCount() override;
  int AddTask(const std::wstring& url, const std::wstring& saveFolder, const std::wstring& reserved,
              int taskId, const std::wstring& exeVersion, const std::wstring& md5,
              int flags) override;
  bool StopTask(int taskId) override;
  bool ResumeTask(int taskId) override;
  bool RemoveAllTasks() override;
  bool RemoveTask(int taskId) override;
  bool HasTask(int taskId) override;
  bool GetTaskProgress(int taskId, int64_t* total, int64_t* downloaded, int64_t* attempt,
                       int* elapsedSeconds) override;
  int GetTaskStrings(int taskId, std::wstring* url, std::wstring* saveFolder,
                     std::wstring* fileName) override;

 private:
  bool RemoveLocked(int taskId);

  std::mutex mutex_;
  std::map<int, std::unique_ptr<CMultiDownloader>> tasks_;
};

}  // namespace ns_VYN
