#pragma once
// The engine's command thread: commands queued from any thread are applied
// to the task table one at a time, first in first out.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/task_command.h"

namespace ns_VYN {

class ITaskManager;

class CTaskOperator {
 public:
  CTaskOperator() = default;
  virtual ~CTaskOperator();
  CTaskOperator(const CTaskOperator&) = delete;
  CTaskOperator& operator=(const CTaskOperator&) = delete;

  // Starts the command thread on `manager`; false for null or a second call.
  bool Attach(ITaskManager* manager);
  void Post(const TaskCommand& command);
  // Ends the command thread; commands still queued are dropped.
  void Stop();

 private:
  void Run();
  void Apply(const TaskCommand& command);

  std::mutex mutex_;
  ITaskManager* manager_ = nullptr;  // not owned; set once before the thread starts
  std::vector<TaskCommand> queue_;
  std::thread thread_;
  std::condition_variable wake_;
  std::atomic<int> stop_{0};
};

}  // namespace ns_VYN
