#include "system/os_info.h"

#include <cwchar>

#include "platform/registry.h"
#include "platform/win_error.h"
#include "platform/system_info.h"
#include "system/registry_read.h"

namespace {

// Limits of the buffers these values are read into.
constexpr size_t kBrowserVersionChars = 49;
constexpr size_t kDisplayLanguageChars = 31;

std::string Joined(std::initializer_list<uint32_t> numbers) {
  std::string text;
  for (uint32_t number : numbers) text += (text.empty() ? "" : ".") + std::to_string(number);
  return text;
}

}  // namespace

bool IsWow64() {
  platform::Wow64Answer answer = platform::QueryWow64Process();
  return answer.callExists && answer.succeeded && answer.isWow64;
}

int GetOsBits() {
  platform::ProcessorArchitecture architecture = platform::GetNativeProcessorArchitecture();
  return architecture == platform::ProcessorArchitecture::kAmd64 ||
                 architecture == platform::ProcessorArchitecture::kIa64
             ? 64
             : 32;
}

std::string GetOsVersionNumbers() {
  platform::OsVersionNumbers version;
  if (!platform::GetNtVersionNumbers(&version) && !platform::GetVersionInformation(&version)) return "0.0";
  return Joined({version.major, version.minor});
}

std::string GetOsVersionString() {
  platform::OsVersionNumbers version;
  if (!platform::GetVersionInformation(&version)) return "";
  return Joined({version.major, version.minor, version.build});
}

std::wstring GetIeVersion() {
  std::wstring version;
  if (!system_registry::ReadRegString(platform::RegRoot::kLocalMachine, L"Software\\Microsoft\\Internet Explorer",
                                      system_registry::View32(), true, L"Version", kBrowserVersionChars, &version) ||
      version.empty()) {
    return L"-";
  }
  return version;
}

std::wstring GetWindowsDisplayLanguage() {
  std::unique_ptr<platform::RegKey> key;
  if (platform::OpenRegKey(platform::RegRoot::kCurrentUser, L"Control Panel\\Desktop\\MuiCached", platform::kRegRead,
                           platform::RegView::kDefault, true, &key) != platform::kErrorSuccess) {
    return L"";
  }
  platform::RegValue value;
  if (!system_registry::QueryRegValue(key.get(), L"MachinePreferredUILanguages", kDisplayLanguageChars, &value)) {
    return L"";
  }
  std::wstring first = platform::RegValueText(value);  // a multi-string's first entry
  return first.substr(0, first.find(L'-'));
}

int GetTimeZoneHours() { return platform::GetTimeZoneBiasMinutes() / -60; }

std::wstring GetTimestampString() {
  platform::LocalTime now = platform::GetLocalTimeNow();
  wchar_t buffer[32];
  swprintf(buffer, sizeof buffer / sizeof buffer[0], L"%04d%02d%02d%02d%02d%02d", now.year, now.month, now.day,
           now.hour, now.minute, now.second);
  return buffer;
}
