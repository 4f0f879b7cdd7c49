#include "engine/task_operator.h"

#include "engine/task_manager.h"
#include "system/log.h"

namespace ns_VYN {

CTaskOperator::~CTaskOperator() { Stop(); }

bool CTaskOperator::Attach(ITaskManager* manager) {
  if (manager == nullptr || manager_ != nullptr) return false;
  manager_ = manager;
  thread_ = std::thread([this] { Run(); });
  return true;
}

void CTaskOperator::Post(const TaskCommand& command) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(command);
  }
  wake_.notify_one();
}

void CTaskOperator::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = 1;
  }
  wake_.notify_one();
  thread_.join();
}

void CTaskOperator::Run() {
  for (;;) {
    TaskCommand command;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return !queue_.empty() || stop_ != 0; });
      if (manager_ == nullptr || stop_ != 0) return;
      command = queue_.front();
      queue_.erase(queue_.begin());
    }
    Apply(command);
  }
}

void CTaskOperator::Apply(const TaskCommand& command) {
  Log(3, "[INFO] handle type=[%d], pid=[%d], taskid=[%d]", command.type, command.pid,
      command.taskId);
  switch (command.type) {
    case kCommandAdd:
      manager_->AddTask(command.url, command.saveFolder, command.reserved, command.pid,
                        command.exeVersion, command.md5, command.value);
      break;
    case kCommandRemove:
      manager_->RemoveTask(command.taskId);
      break;
    case kCommandStop:
      manager_->StopTask(command.taskId);
      break;
    case kCommandResume:
      manager_->ResumeTask(command.taskId);
      break;
    case kCommandRemoveAll:
      manager_->RemoveAllTasks();
      break;
    default:
      break;
  }
}

}  // namespace ns_VYN
