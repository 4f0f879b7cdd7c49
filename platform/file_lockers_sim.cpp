// The simulated Restart Manager answers from the machine profile's
// "file_lockers": {"C:\\path": [{"pid": N, "app": "name"}]}; a file that is
// not listed has no lockers.
#include <cjson/cJSON.h>

#include <cwctype>

#include "platform/file_lockers.h"
#include "platform/sim/machine.h"

namespace platform {
namespace {

bool SamePathFolded(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (towlower(a[i]) != towlower(b[i])) return false;
  }
  return true;
}

}  // namespace

bool ListFileLockers(const std::wstring& path, uint32_t maxProcesses, std::vector<FileLocker>* lockers) {
  lockers->clear();
  const cJSON* table = sim::TheMachine().Item("file_lockers");
  for (const cJSON* entry = table ? table->child : nullptr; entry; entry = entry->next) {
    if (!entry->string || !SamePathFolded(sim::WideOf(entry->string), path)) continue;
    for (const cJSON* item = entry->child; item && lockers->size() < maxProcesses; item = item->next) {
      const cJSON* pid = cJSON_GetObjectItemCaseSensitive(item, "pid");
      const cJSON* app = cJSON_GetObjectItemCaseSensitive(item, "app");
      lockers->push_back({cJSON_IsNumber(pid) ? static_cast<uint32_t>(pid->valuedouble) : 0u,
                          cJSON_IsString(app) ? sim::WideOf(app->valuestring) : std::wstring()});
    }
  }
  return true;
}

}  // namespace platform
