#pragma once
// Version texts: parsing, comparison, and the version resource of files.
#include <array>
#include <string>

// "%d.%d.%d.%d"; numbers that are not present are 0.
std::array<int, 4> ParseVersion(const std::wstring& text);
// 1 when a is newer, -1 when older, 0 when equal; only the first three
// numbers count (5.2.1.9 equals 5.2.1.3).
int CompareVersion(const std::wstring& a, const std::wstring& b);
// "%d.%d.%d.%d" of the file's fixed version resource; false (text
// untouched) when the file has none.
bool GetFileVersionString(const std::wstring& path, std::wstring* text);
// The running executable's version; empty when it has no version resource.
std::wstring GetSelfVersion();
