#include "system/installed_products.h"

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/win_error.h"
#include "system/registry_read.h"

namespace {

constexpr size_t kRecordValueChars = 255;
constexpr size_t kSubKeyNameChars = 259;
constexpr size_t kCompanionPathChars = 129;

bool OpenForReading(const std::wstring& subKey, std::unique_ptr<platform::RegKey>* key) {
  return platform::OpenRegKey(platform::RegRoot::kLocalMachine, subKey, platform::kRegRead,
                              platform::RegView::kDefault, false, key) == platform::kErrorSuccess;
}

bool HasProductId(platform::RegKey* record, uint32_t productId) {
  platform::RegValue pid;
  uint32_t value = 0;
  return record->QueryValue(L"PID", &pid, sizeof value) == platform::kErrorSuccess &&
         pid.type == platform::kRegDword && platform::RegValueDword(pid, &value) && value == productId;
}

// Finds the product's record and reads `wanted` from it (left empty when
// missing, empty or not REG_SZ). False when there is no record.
bool FindInstalledRecord(const std::wstring& rootWord, uint32_t productId, const std::wstring& wanted,
                         std::wstring* result) {
  std::wstring rootKey = L"Software\\" + rootWord;
  std::unique_ptr<platform::RegKey> root;
  if (!OpenForReading(rootKey, &root)) return false;
  std::wstring subKeyName;
  for (uint32_t index = 0; root->EnumSubKey(index, &subKeyName, kSubKeyNameChars) == platform::kErrorSuccess;
       ++index) {
    std::unique_ptr<platform::RegKey> record;
    if (!OpenForReading(rootKey + L"\\" + subKeyName, &record) || !HasProductId(record.get(), productId)) continue;
    std::wstring installInfo;
    if (!system_registry::ReadRegString(record.get(), L"InstallInfo", kRecordValueChars, &installInfo) ||
        installInfo.empty()) {
      continue;
    }
    result->clear();
    if (!wanted.empty()) system_registry::ReadRegString(record.get(), wanted, kRecordValueChars, result);
    return true;
  }
  return false;
}

std::wstring InstalledValue(const std::wstring& rootWord, uint32_t productId, const std::wstring& wanted) {
  std::wstring value;
  return FindInstalledRecord(rootWord, productId, wanted, &value) ? value : L"";
}

}  // namespace

bool IsProductInstalled(const std::wstring& rootWord, uint32_t productId) {
  std::wstring ignored;
  return FindInstalledRecord(rootWord, productId, L"", &ignored);
}

std::wstring GetInstalledVersion(const std::wstring& rootWord, uint32_t productId) {
  return InstalledValue(rootWord, productId, L"Version");
}

std::wstring GetInstalledName(const std::wstring& rootWord, uint32_t productId) {
  return InstalledValue(rootWord, productId, L"InstallName");
}

std::wstring GetInstalledPath(const std::wstring& rootWord, uint32_t productId) {
  return InstalledValue(rootWord, productId, L"InstallPath");
}

std::wstring GetCompanionInstallName() {
  std::wstring name;
  for (platform::RegView view : {platform::RegView::k64, platform::RegView::k32}) {
    std::wstring read;
    if (!system_registry::ReadRegString(platform::RegRoot::kLocalMachine, L"Software\\Tarnwick\\Tarnwick Mosswell",
                                        view, true, L"InstallName", kCompanionPathChars, &read)) {
      continue;
    }
    name = read;
    if (platform::FileExists(name)) break;
  }
  return name;
}

bool IsCompanionInstalled() { return platform::FileExists(GetCompanionInstallName()); }
