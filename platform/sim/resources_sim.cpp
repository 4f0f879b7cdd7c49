// Resources of the simulated executable: the table compiled in from
// resources/, overridable one by one through the profile's "resources".
#include <cstdio>
#include <cwctype>

#include "platform/resources.h"
#include "platform/sim/machine.h"
#include "platform/win_error.h"
#include "resources/embedded.h"

namespace platform {
namespace {

constexpr uint32_t kErrorResourceTypeNotFound = 1813;
constexpr uint32_t kErrorResourceDataNotFound = 1812;

bool ReadHostFile(const std::string& path, std::string* bytes) {
  FILE* file = fopen(path.c_str(), "rb");
  if (!file) return false;
  char buffer[8192];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0) bytes->append(buffer, n);
  fclose(file);
  return true;
}

// The profile's word on a resource: the data, "missing", or no word at all.
enum class Override { kNone, kMissing, kData };
Override ProfileResource(const std::string& type, int id, std::string* data) {
  const cJSON* resources = sim::TheMachine().Item("resources");
  const cJSON* entry = cJSON_GetObjectItemCaseSensitive(resources, (type + "/" + std::to_string(id)).c_str());
  if (!entry) return Override::kNone;
  if (cJSON_IsString(entry)) {
    *data = entry->valuestring;
    return Override::kData;
  }
  const cJSON* file = cJSON_GetObjectItemCaseSensitive(entry, "file");
  if (cJSON_IsString(file) && ReadHostFile(file->valuestring, data)) return Override::kData;
  return Override::kMissing;
}

bool SameFolded(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (towlower(a[i]) != towlower(b[i])) return false;
  }
  return true;
}

bool ParseVersionQuad(const std::string& text, unsigned quad[4]) {
  return sscanf(text.c_str(), "%u.%u.%u.%u", &quad[0], &quad[1], &quad[2], &quad[3]) == 4;
}

}  // namespace

std::optional<std::string> FindResourceData(const std::string& type, int id) {
  std::string data;
  switch (ProfileResource(type, id, &data)) {
    case Override::kData: return data;
    case Override::kMissing:
      SetLastErrorCode(kErrorResourceTypeNotFound);
      return std::nullopt;
    case Override::kNone: break;
  }
  for (size_t i = 0; i < kiv_resources::kEmbeddedCount; ++i) {
    const kiv_resources::Embedded& resource = kiv_resources::kEmbedded[i];
    if (resource.id == id && type == resource.type) {
      return std::string(reinterpret_cast<const char*>(resource.data), resource.size);
    }
  }
  SetLastErrorCode(kErrorResourceTypeNotFound);
  return std::nullopt;
}

bool GetFileVersionOf(const std::wstring& path, FileVersion* version) {
  unsigned quad[4] = {};
  if (SameFolded(path, GetModulePath())) {
    for (int i = 0; i < 4; ++i) quad[i] = kiv_resources::kVersion[i];
  } else {
    const cJSON* versions = sim::TheMachine().Item("file_versions");
    const cJSON* found = nullptr;
    for (const cJSON* entry = versions ? versions->child : nullptr; entry && !found; entry = entry->next) {
      if (SameFolded(sim::WideOf(entry->string), path)) found = entry;
    }
    if (!cJSON_IsString(found) || !ParseVersionQuad(found->valuestring, quad)) {
      SetLastErrorCode(kErrorResourceDataNotFound);
      return false;
    }
  }
  version->mostSignificant = (quad[0] & 0xFFFF) << 16 | (quad[1] & 0xFFFF);
  version->leastSignificant = (quad[2] & 0xFFFF) << 16 | (quad[3] & 0xFFFF);
  return true;
}

std::wstring GetModulePath() { return sim::WideOf(sim::TheMachine().Text("self_path", "")); }

}  // namespace platform
