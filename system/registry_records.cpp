#include "system/registry_records.h"

#include <algorithm>

#include "platform/registry.h"
#include "platform/win_error.h"
#include "system/registry_read.h"

namespace {

const wchar_t kChannelKey[] = L"Software\\PelCX\\";
const wchar_t kLayersKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers\\";
constexpr size_t kChannelChars = 49;
constexpr size_t kLayerChars = 50;

bool OpenKey(platform::RegRoot root, const std::wstring& subKey, uint32_t access, platform::RegView view,
             bool create, std::unique_ptr<platform::RegKey>* key) {
  return platform::OpenRegKey(root, subKey, access, view, create, key) == platform::kErrorSuccess;
}

}  // namespace

void RecordChannel(const std::wstring& valueName, const std::wstring& fallbackName, const std::wstring& channel) {
  std::unique_ptr<platform::RegKey> key;
  if (!OpenKey(platform::RegRoot::kLocalMachine, kChannelKey, platform::kRegAll, system_registry::View32(), true,
               &key)) {
    return;
  }
  platform::RegValue existing;
  if (!system_registry::QueryRegValue(key.get(), L"", kChannelChars, &existing)) {
    key->SetValue(L"", platform::MakeRegSz(channel));
  }
  key->SetValue(valueName.empty() ? fallbackName : valueName, platform::MakeRegSz(channel));
}

std::wstring ReadDefaultChannel() {
  std::wstring channel;
  system_registry::ReadRegString(platform::RegRoot::kLocalMachine, kChannelKey, system_registry::View32(), true, L"",
                                 kChannelChars, &channel);
  return channel;
}

void SetCompatibilityLayer(const std::wstring& executablePath, const std::wstring& layer) {
  platform::RegValue value = platform::MakeRegSz(layer);
  // Stored without its terminator: two bytes for each of at most 50 characters.
  value.data.resize(std::min(value.data.size() - 2, kLayerChars * 2));
  for (platform::RegView view : {platform::RegView::k64, platform::RegView::k32}) {
    std::unique_ptr<platform::RegKey> key;
    if (OpenKey(platform::RegRoot::kLocalMachine, kLayersKey, platform::kRegWrite, view, true, &key)) {
      key->SetValue(executablePath, value);
    }
  }
}

uint32_t GetUserDword(const std::wstring& key, const std::wstring& valueName) {
  std::unique_ptr<platform::RegKey> opened;
  if (!OpenKey(platform::RegRoot::kCurrentUser, key, platform::kRegAll, platform::RegView::kDefault, false, &opened)) {
    return 0;
  }
  platform::RegValue value;
  uint32_t number = 0;
  if (opened->QueryValue(valueName, &value, sizeof number) != platform::kErrorSuccess ||
      value.type != platform::kRegDword || !platform::RegValueDword(value, &number)) {
    return 0;
  }
  return number;
}

void SetUserDword(const std::wstring& key, const std::wstring& valueName, uint32_t value) {
  std::unique_ptr<platform::RegKey> opened;
  if (OpenKey(platform::RegRoot::kCurrentUser, key, platform::kRegAll, platform::RegView::kDefault, false, &opened)) {
    opened->SetValue(valueName, platform::MakeRegDword(value));
  }
}
