#include "system/version.h"

#include <cwchar>

#include "platform/resources.h"
#include "system/folders.h"

std::array<int, 4> ParseVersion(const std::wstring& text) {
  std::array<int, 4> parts = {0, 0, 0, 0};
  swscanf(text.c_str(), L"%d.%d.%d.%d", &parts[0], &parts[1], &parts[2], &parts[3]);
  return parts;
}

int CompareVersion(const std::wstring& a, const std::wstring& b) {
  std::array<int, 4> left = ParseVersion(a);
  std::array<int, 4> right = ParseVersion(b);
  for (int i = 0; i < 3; ++i) {
    if (left[i] != right[i]) return left[i] > right[i] ? 1 : -1;
  }
  return 0;
}

bool GetFileVersionString(const std::wstring& path, std::wstring* text) {
  platform::FileVersion version;
  if (!platform::GetFileVersionOf(path, &version)) return false;
  wchar_t buffer[64];
  swprintf(buffer, sizeof buffer / sizeof buffer[0], L"%d.%d.%d.%d", version.mostSignificant >> 16,
           version.mostSignificant & 0xFFFF, version.leastSignificant >> 16, version.leastSignificant & 0xFFFF);
  *text = buffer;
  return true;
}

std::wstring GetSelfVersion() {
  std::wstring text;
  GetFileVersionString(GetSelfPath(), &text);
  return text;
}
