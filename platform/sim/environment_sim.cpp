// Environment and known folders of the simulated machine (profile "env" and
// "folders").
#include <cwctype>

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

const std::wstring* FindVariable(const std::wstring& name) {
  for (const auto& [key, value] : sim::TheMachine().Env()) {
    if (SameNameFolded(key, name)) return &value;
  }
  return nullptr;
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
  const std::wstring* found = FindVariable(name);
  if (!found) {
    SetLastErrorCode(kErrorEnvVarNotFound);
    return 0;
  }
  SetLastErrorCode(kErrorSuccess);
  return CopyIfFits(*found, bufferChars, value);
}

uint32_t GetTempPathValue(uint32_t bufferChars, std::wstring* path) {
  std::wstring folder;
  for (const wchar_t* name : {L"TMP", L"TEMP", L"USERPROFILE"}) {
    const std::wstring* found = FindVariable(name);
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
