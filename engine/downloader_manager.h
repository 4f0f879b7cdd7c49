#pragma once
// The download engine's face: tasks and commands go in (each call only
// queues a command for the engine's command thread and returns at once),
// events come back through IDownloaderManagerCallBack on the download
// threads, or as posted window messages.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/downloader_manager_callback.h"
#include "engine/event_record.h"
#include "platform/windowing.h"

namespace ns_VYN {

class CTaskOperator;
class ITaskManager;

struct TaskInfo {
  int taskId = 0;
  int64_t total = 0;       // -1 while the size is not known
  int64_t downloaded = 0;  // -1 while the size is not known
  int speed = 0;           // not measured
  std::wstring url;
  std::wstring saveFolder;
  std::wstring fileName;
};

class IDownloaderManager {
 public:
  virtual ~IDownloaderManager() = default;
  virtual bool StopTask(int taskId) = 0;
  virtual bool ResumeTask(int taskId) = 0;
  // The task id once queued; -1 without a url. Reserved and flags are kept
  // for callers that pass them and are not used.
  virtual int AddTask(const wchar_t* url, const wchar_t* saveFolder, const wchar_t* reserved,
                      int taskId, const wchar_t* exeVersion, const wchar_t* md5, int flags) = 0;
  virtual bool RemoveTask(int taskId) = 0;
  virtual bool GetTaskInfo(int taskId, TaskInfo* info) = 0;
  virtual bool RemoveTaskIfExists(int taskId) = 0;
  // Removes every task, then ends the command thread; commands still queued
  // are dropped.
  virtual bool Shutdown() = 0;
  virtual void SetNotifyWindow(platform::WindowHandle window, uint32_t message) = 0;
  virtual void SetCallBack(IDownloaderManagerCallBack* callback) = 0;
  virtual std::wstring GetDescription() = 0;
};

class DownloaderManager : public IDownloaderManager, public IObserver {
 public:
  DownloaderManager();
  ~DownloaderManager() override;
  DownloaderManager(const DownloaderManager&) = delete;
  DownloaderManager& operator=(const DownloaderManager&) = delete;

  bool StopTask(int taskId) override;
  bool ResumeTask(int taskId) override;
  int AddTask(const wchar_t* url, const wchar_t* saveFolder, const wchar_t* reserved, int taskId,
              const wchar_t* exeVersion, const wchar_t* md5, int flags) override;
  bool RemoveTask(int taskId) override;
  bool GetTaskInfo(int taskId, TaskInfo* info) override;
  bool RemoveTaskIfExists(int taskId) override;
  bool Shutdown() override;
  void SetNotifyWindow(platform::WindowHandle window, uint32_t message) override;
  void SetCallBack(IDownloaderManagerCallBack* callback) override;
  std::wstring GetDescription() override;
  virtual int GetTaskCount();
  virtual bool RemoveAllTasks();

  void Notify(EventRecord* record, uintptr_t wparam) override;

 private:
  bool Queue(int type, int taskId);

  std::unique_ptr<CTaskOperator> operator_;
  std::unique_ptr<ITaskManager> taskManager_;
  // Set by the user before tasks run, read on the download threads.
  std::atomic<IDownloaderManagerCallBack*> callback_{nullptr};
  std::atomic<platform::WindowHandle> window_{0};
  std::atomic<uint32_t> message_{0};
};

std::unique_ptr<IDownloaderManager> CreateDownloaderManager();

// Calls the callback slot that the record's type stands for (dispatch table
// of the engine); records of unknown types call nothing.
void DispatchEvent(const EventRecord& record, IDownloaderManagerCallBack* callback);

// Window mode: the record posted as the message's LPARAM carries copies of
// its data. The window's handler passes the LPARAM here, which dispatches the
// event to `callback` (may be null) and frees the record.
void DispatchPostedEvent(intptr_t lparam, IDownloaderManagerCallBack* callback);

}  // namespace ns_VYN
