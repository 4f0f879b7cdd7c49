#include "system/registry_read.h"

#include "platform/win_error.h"
#include "system/os_info.h"

namespace system_registry {

platform::RegView View32() { return IsWow64() ? platform::RegView::k32 : platform::RegView::kDefault; }

bool QueryRegValue(platform::RegKey* key, const std::wstring& name, size_t maxChars, platform::RegValue* value) {
  // Registry strings are UTF-16 on every build: two bytes a character.
  return key->QueryValue(name, value, (maxChars + 1) * 2) == platform::kErrorSuccess;
}

bool ReadRegString(platform::RegKey* key, const std::wstring& name, size_t maxChars, std::wstring* text) {
  platform::RegValue value;
  if (!QueryRegValue(key, name, maxChars, &value) || value.type != platform::kRegSz) return false;
  *text = platform::RegValueText(value);
  return true;
}

bool ReadRegString(platform::RegRoot root, const std::wstring& subKey, platform::RegView view, bool create,
                   const std::wstring& name, size_t maxChars, std::wstring* text) {
  std::unique_ptr<platform::RegKey> key;
  if (platform::OpenRegKey(root, subKey, platform::kRegRead, view, create, &key) != platform::kErrorSuccess) {
    return false;
  }
  return ReadRegString(key.get(), name, maxChars, text);
}

}  // namespace system_registry
