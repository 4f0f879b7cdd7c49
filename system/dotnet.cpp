#include "system/dotnet.h"

#include <cwchar>
#include <memory>

#include "platform/registry.h"
#include "platform/win_error.h"
#include "system/registry_read.h"

namespace {

const wchar_t kNdpKey[] = L"Software\\Microsoft\\NET Framework Setup\\NDP";
constexpr size_t kNameChars = 255;
constexpr size_t kPathChars = 259;

bool OpenForReading(const std::wstring& subKey, std::unique_ptr<platform::RegKey>* key) {
  return platform::OpenRegKey(platform::RegRoot::kLocalMachine, subKey, platform::kRegRead,
                              platform::RegView::kDefault, false, key) == platform::kErrorSuccess;
}

// The number at the start of the text, 0 when there is none (as _wtoi reads).
int LeadingNumber(const std::wstring& text) { return static_cast<int>(wcstol(text.c_str(), nullptr, 10)); }

// The part between the first and the second "." (or to the end).
std::wstring SecondPart(const std::wstring& text) {
  size_t dot = text.find(L'.');
  if (dot == std::wstring::npos) return L"";
  return text.substr(dot + 1, text.find(L'.', dot + 1) - dot - 1);
}

// The installed minor version of NDP\<name>, when its Install flag is 1.
bool InstalledMinor(const std::wstring& subKey, int* minor) {
  std::unique_ptr<platform::RegKey> key;
  if (!OpenForReading(subKey, &key)) return false;
  platform::RegValue install;
  uint32_t flag = 0;
  if (key->QueryValue(L"Install", &install, sizeof flag) != platform::kErrorSuccess ||
      (install.type != platform::kRegDword && install.type != platform::kRegDwordBigEndian) ||
      !platform::RegValueDword(install, &flag) || flag != 1) {
    return false;
  }
  std::wstring version;
  if (!system_registry::ReadRegString(key.get(), L"Version", kNameChars, &version)) return false;
  *minor = LeadingNumber(SecondPart(version));
  return true;
}

bool Satisfies(int installedMajor, int installedMinor, int requiredMajor, int requiredMinor) {
  if (installedMajor == 4) return requiredMajor == 4 && installedMinor >= requiredMinor;
  return requiredMajor < installedMajor || (requiredMajor == installedMajor && installedMinor >= requiredMinor);
}

}  // namespace

bool HasDotNet2Policy() {
  std::unique_ptr<platform::RegKey> policy;
  if (!OpenForReading(L"SOFTWARE\\Microsoft\\.NETFramework\\policy\\v2.0", &policy) &&
      !OpenForReading(L"SOFTWARE\\Microsoft\\.NETFramework\\policy\\v2.0.50727", &policy)) {
    return false;
  }
  std::wstring installRoot;
  return system_registry::ReadRegString(platform::RegRoot::kLocalMachine, L"SOFTWARE\\Microsoft\\.NETFramework\\",
                                        platform::RegView::kDefault, false, L"InstallRoot", kPathChars,
                                        &installRoot) &&
         !installRoot.empty();
}

bool IsDotNetVersionInstalled(const std::wstring& required) {
  int requiredMajor = LeadingNumber(required.substr(0, required.find(L'.')));
  int requiredMinor = LeadingNumber(SecondPart(required));
  if (requiredMajor < 2 || requiredMajor > 4) return false;
  std::unique_ptr<platform::RegKey> ndp;
  uint32_t count = 0;
  if (!OpenForReading(kNdpKey, &ndp) || ndp->CountSubKeys(&count) != platform::kErrorSuccess) return false;
  for (uint32_t index = 0; index < count; ++index) {
    std::wstring name;
    if (ndp->EnumSubKey(index, &name, kNameChars) != platform::kErrorSuccess || name.empty()) continue;
    // "v2.0.50727" gives "2", "v4" and "v4.0" give "4".
    std::wstring majorText = name.substr(1, name.find(L'.') == std::wstring::npos ? std::wstring::npos
                                                                                   : name.find(L'.') - 1);
    if (majorText != L"2" && majorText != L"3" && majorText != L"4") continue;
    std::wstring subKey = std::wstring(kNdpKey) + L"\\" + name + (majorText == L"4" ? L"\\Full" : L"");
    int installedMinor = 0;
    if (!InstalledMinor(subKey, &installedMinor)) continue;
    if (Satisfies(LeadingNumber(majorText), installedMinor, requiredMajor, requiredMinor)) return true;
  }
  return false;
}
