#pragma once
// Reading the sandbox journal in tests: the entries of one kind, each as its
// members (all journal members are texts, "pid" included).
#include <cjson/cJSON.h>

#include <map>
#include <string>
#include <vector>

#include "platform/sim_control.h"

namespace platform::testing {

using JournalEntry = std::map<std::string, std::string>;

inline std::vector<JournalEntry> JournalEntries(const std::string& kind) {
  std::vector<JournalEntry> entries;
  for (const std::string& line : platform::sim::ReadJournal()) {
    cJSON* object = cJSON_Parse(line.c_str());
    const cJSON* k = cJSON_GetObjectItemCaseSensitive(object, "kind");
    if (cJSON_IsString(k) && kind == k->valuestring) {
      JournalEntry entry;
      for (const cJSON* m = object->child; m; m = m->next) {
        entry[m->string] = cJSON_IsString(m) ? m->valuestring : std::to_string(static_cast<long long>(m->valuedouble));
      }
      entries.push_back(entry);
    }
    cJSON_Delete(object);
  }
  return entries;
}

}  // namespace platform::testing
