// Environment and known folders of the simulated machine (profile "env" and
// "folders").
#include <cwctype>
#include <mutex>
#include <optional>

#include "platform/environment.h"
#include "platform/sim/machine.h"
#include "platform/win_error.h"

namespace platform {
namespace {

bool SameNameFolded(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (towlower(a[i]) != towlower(b[i])) return false;
  }
  return true;
}

// A copy, taken under the machine's lock: SetEnvironmentValue may change
// the variables from another thread.
std::optional<std::wstring> FindVariable(const std::wstring& name) {
  const sim::Machine& machine = sim::TheMachine();
  std::lock_guard<std::mutex> lock(sim::MachineMutex());
  for (const auto& [key, value] : machine.Env()) {
    if (SameNameFolded(key, name)) return value;
  }
  return std::nullopt;
}

// The Win32 buffer convention shared by GetEnvironmentVariableW and GetTempPathW.
uint32_t CopyIfFits(const std::wstring& text, uint32_t bufferChars, std::wstring* out) {
  if (text.size() + 1 > bufferChars) return static_cast<uint32_t>(text.size() + 1);
  *out = text;
  return static_cast<uint32_t>(text.size());
}

const char* ProfileMemberOf(KnownFolder folder) {
  switch (folder) {
    case KnownFolder::kDesktopDirectory: return "folders.desktop";
    case KnownFolder::kLocalAppData: return "folders.local_appdata";
    case KnownFolder::kCommonDocuments: return "folders.common_documents";
  }
  return "";
}

}  // namespace

uint32_t GetEnvironmentValue(const std::wstring& name, uint32_t bufferChars, std::wstring* value) {
  std::optional<std::wstring> found = FindVariable(name);
  if (!found) {
    SetLastErrorCode(kErrorEnvVarNotFound);
    return 0;
  }
  SetLastErrorCode(kErrorSuccess);
  return CopyIfFits(*found, bufferChars, value);
}

bool SetEnvironmentValue(const std::wstring& name, const wchar_t* value) {
  if (name.empty() || name.find(L'=', 1) != std::wstring::npos) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  sim::TheMachine().SetEnv(name, value);
  return true;
}

uint32_t GetTempPathValue(uint32_t bufferChars, std::wstring* path) {
  std::wstring folder;
  for (const wchar_t* name : {L"TMP", L"TEMP", L"USERPROFILE"}) {
    std::optional<std::wstring> found = FindVariable(name);
    if (found && !found->empty()) {
      folder = *found;
      break;
    }
  }
  if (folder.empty()) folder = L"C:\\Windows";
  if (folder.back() != L'\\') folder += L'\\';
  return CopyIfFits(folder, bufferChars, path);
}

bool GetKnownFolderPath(KnownFolder folder, std::wstring* path) {
  std::wstring found = sim::WideOf(sim::TheMachine().Text(ProfileMemberOf(folder), ""));
  while (found.size() > 3 && found.back() == L'\\') found.pop_back();
  if (found.empty()) {
    SetLastErrorCode(kErrorFileNotFound);
    return false;
  }
  *path = found;
  return true;
}

}  // namespace platform
