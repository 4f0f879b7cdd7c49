#include "engine/downloader_manager.h"

#include "engine/task_manager.h"
#include "engine/task_operator.h"
#include "system/log.h"

namespace ns_VYN {
namespace {

std::wstring TextOf(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

template <typename T>
const T* PointerOf(const EventRecord& record) {
  return reinterpret_cast<const T*>(record.data);
}

// A record that is posted to a window carries copies of what its data points
// to, because the sender's memory is gone by the time the window handles it.
struct PostedEvent {
  EventRecord record;
  std::wstring wideText;
  std::string text;
  int number = 0;
  ProgressBlock progress;
};

PostedEvent* CopyForPosting(const EventRecord& record) {
  auto* posted = new PostedEvent{record, {}, {}, 0, {}};
  intptr_t& data = posted->record.data;
  if (record.data == 0) return posted;
  switch (record.type) {
    case kEventFileName:
      posted->wideText = PointerOf<wchar_t>(record);
      data = reinterpret_cast<intptr_t>(posted->wideText.c_str());
      break;
    case kEventFinished:
    case kEventAttemptStart:
    case kEventGetInfoFailed:
    case kEventDnsCacheCleared:
      posted->number = *PointerOf<int>(record);
      data = reinterpret_cast<intptr_t>(&posted->number);
      break;
    case kEventProgress:
      posted->progress = *PointerOf<ProgressBlock>(record);
      data = reinterpret_cast<intptr_t>(&posted->progress);
      break;
    case kEventRangeHost:
    case kEventFileMd5:
    case kEventDnsQueried:
      posted->text = PointerOf<char>(record);
      data = reinterpret_cast<intptr_t>(posted->text.c_str());
      break;
    default:
      break;
  }
  return posted;
}

void FreeRecord(EventRecord* record) {
  if (record->type == kEventProgress) delete reinterpret_cast<ProgressBlock*>(record->data);
  delete record;
}

}  // namespace

void DispatchEvent(const EventRecord& record, IDownloaderManagerCallBack* callback) {
  const int id = record.taskId;
  const int32_t low32 = static_cast<int32_t>(record.data);
  switch (record.type) {
    case kEventFileName:
      if (record.data != 0) callback->OnFileName(id, PointerOf<wchar_t>(record));
      break;
    case kEventFileSize:
      callback->OnFileSize(id, low32);
      break;
    case kEventFinished: {
      int status = *PointerOf<int>(record);
      Log(3, "[INFO] finished, task_id=[%d], result=[%d]", id, status);
      if (status == 0) {
        callback->OnSuccess(id);
      } else {
        callback->OnFailed(id, status);
      }
      break;
    }
    case kEventProgress: {
      const ProgressBlock* block = PointerOf<ProgressBlock>(record);
      callback->OnProgress(id, block->downloaded, block->total, block->speed);
      break;
    }
    case kEventRangeLength:
      callback->OnRangeEvent(id, record.sender, 0, low32);
      break;
    case kEventRangeKind1:
    case kEventRangeKind2:
      callback->OnRangeEvent(id, record.sender, record.type - kEventRangeLength, low32);
      break;
    case kEventStart:
      callback->OnStart(id);
      break;
    case kEventRangeHost:
      callback->OnRangeHost(id, record.data ? std::string(PointerOf<char>(record)) : std::string());
      break;
    case kEventAttemptStart:
      callback->OnRetry(id, *PointerOf<int>(record));
      break;
    case kEventAttemptEnd:
      callback->OnAttemptEnd(id, record.value1, record.value2);
      break;
    case kEventFileMd5:
      callback->OnFileMd5(id, std::string(PointerOf<char>(record)));
      break;
    case kEventMd5Match:
      callback->OnMd5Match(id);
      break;
    case kEventFileOpFailed:
      callback->OnFileOpFailed(id, record.value1, record.value2);
      break;
    case kEventGetInfoFailed:
      callback->OnGetInfoFailed(id, *PointerOf<int>(record));
      break;
    case kEventDnsCacheCleared:
      callback->OnDnsCacheCleared(id, *PointerOf<int>(record));
      break;
    case kEventDnsQueried: {
      if (record.data == 0) break;
      std::string text = PointerOf<char>(record);
      size_t colon = text.find(':');
      if (colon == std::string::npos) break;
      callback->OnDnsQueried(id, text.substr(0, colon), text.substr(colon + 1));
      break;
    }
    case kEventPrepare:
      callback->OnPrepare(id);
      break;
    case kEventPlan:
      callback->OnPlan(id, record.value1, record.value2);
      break;
    default:
      break;
  }
}

void DispatchPostedEvent(intptr_t lparam, IDownloaderManagerCallBack* callback) {
  auto* posted = reinterpret_cast<PostedEvent*>(lparam);
  if (posted == nullptr) return;
  if (callback != nullptr) DispatchEvent(posted->record, callback);
  delete posted;
}

DownloaderManager::DownloaderManager()
    : operator_(std::make_unique<CTaskOperator>()),
      taskManager_(std::make_unique<CMultiTaskManager>()) {
  taskManager_->SetObserver(this);
  operator_->Attach(taskManager_.get());
}

DownloaderManager::~DownloaderManager() {
  operator_.reset();     // ends the command thread if Shutdown did not
  taskManager_.reset();  // removes the remaining tasks
}

bool DownloaderManager::Queue(int type, int taskId) {
  if (!operator_) return false;
  TaskCommand command;
  command.type = type;
  command.taskId = taskId;
  operator_->Post(command);
  return true;
}

bool DownloaderManager::StopTask(int taskId) { return Queue(kCommandStop, taskId); }
bool DownloaderManager::ResumeTask(int taskId) { return Queue(kCommandResume, taskId); }
bool DownloaderManager::RemoveTask(int taskId) { return Queue(kCommandRemove, taskId); }

int DownloaderManager::AddTask(const wchar_t* url, const wchar_t* saveFolder,
                               const wchar_t* reserved, int taskId, const wchar_t* exeVersion,
                               const wchar_t* md5, int flags) {
  if (!operator_ || url == nullptr) {
    Log(1, "[ERROR] add task failed, operator=[%d], url=[%d], pid=[%d].", operator_ ? 1 : 0,
        static_cast<int>(reinterpret_cast<intptr_t>(url)), taskId);
    return -1;
  }
  TaskCommand command;
  command.type = kCommandAdd;
  command.pid = taskId;
  command.value = flags;
  command.url = url;
  command.saveFolder = TextOf(saveFolder);
  command.reserved = TextOf(reserved);
  command.md5 = TextOf(md5);
  command.exeVersion = TextOf(exeVersion);
  operator_->Post(command);
  return taskId;
}

bool DownloaderManager::GetTaskInfo(int taskId, TaskInfo* info) {
  if (info == nullptr || !taskManager_) return false;
  int64_t attempt = 0;
  int elapsed = 0;
  if (!taskManager_->GetTaskProgress(taskId, &info->total, &info->downloaded, &attempt, &elapsed)) {
    return false;
  }
  if (info->total <= 0 || info->downloaded < 0) {
    info->total = -1;
    info->downloaded = -1;
  } else {
    taskManager_->GetTaskStrings(taskId, &info->url, &info->saveFolder, &info->fileName);
  }
  info->taskId = taskId;
  return true;
}

bool DownloaderManager::RemoveTaskIfExists(int taskId) {
  if (!taskManager_ || !taskManager_->HasTask(taskId)) return false;
  return Queue(kCommandRemove, taskId);
}

bool DownloaderManager::Shutdown() {
  // The command thread ends first (after the command it is applying), so
  // no queued add can start a download once the tasks have been removed.
  if (operator_) operator_->Stop();
  if (taskManager_) taskManager_->RemoveAllTasks();
  return true;
}

void DownloaderManager::SetNotifyWindow(platform::WindowHandle window, uint32_t message) {
  callback_ = nullptr;
  message_ = message;
  window_ = window;
}

void DownloaderManager::SetCallBack(IDownloaderManagerCallBack* callback) {
  window_ = 0;
  message_ = 0;
  callback_ = callback;
}

std::wstring DownloaderManager::GetDescription() { return std::wstring(); }

int DownloaderManager::GetTaskCount() { return taskManager_ ? taskManager_->GetTaskCount() : 0; }

bool DownloaderManager::RemoveAllTasks() {
  if (!taskManager_ || !taskManager_->HasTask(-1)) return false;
  return Queue(kCommandRemoveAll, 0);
}

void DownloaderManager::Notify(EventRecord* record, uintptr_t wparam) {
  if (record == nullptr) return;
  platform::WindowHandle window = window_;
  uint32_t message = message_;
  if (window != 0 && message != 0) {
    PostedEvent* posted = CopyForPosting(*record);
    if (!platform::PostWindowMessage(window, message, wparam, reinterpret_cast<intptr_t>(posted))) {
      delete posted;
    }
  } else if (IDownloaderManagerCallBack* callback = callback_) {
    DispatchEvent(*record, callback);
  }
  FreeRecord(record);
}

std::unique_ptr<IDownloaderManager> CreateDownloaderManager() {
  return std::make_unique<DownloaderManager>();
}

}  // namespace ns_VYN
