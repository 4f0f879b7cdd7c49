#pragma once
// One command for the engine's command thread, copied into its queue.
#include <string>

namespace ns_VYN {

enum TaskCommandType : int {
  kCommandUnset = -1,
  kCommandAdd = 0,
  kCommandRemove = 1,
  kCommandStop = 2,
  kCommandResume = 3,
  kCommandRemoveAll = 4,
};

struct TaskCommand {
  int pid = 0;     // task id of an add command
  int taskId = 0;  // task of a remove, stop or resume command
  int type = kCommandUnset;
  int value = 0;   // the add command's flags
  std::wstring url;
  std::wstring saveFolder;
  std::wstring reserved;
  std::wstring md5;
  std::wstring exeVersion;
};

}  // namespace ns_VYN
