#pragma once
// Windows version, bitness, browser version, display language and clock.
#include <string>

// A 32-bit process on 64-bit Windows; false when IsWow64Process is missing
// or fails.
bool IsWow64();
// 64 on x64 and Itanium processors, else 32.
int GetOsBits();
// "major.minor" from the kernel's own version numbers, else from the
// version-information call; "0.0" when neither answers.
std::string GetOsVersionNumbers();
// "major.minor.build" from the version-information call; empty when it fails.
std::string GetOsVersionString();
// Version of the system's web browser control; "-" when unknown.
std::wstring GetIeVersion();
// The first preferred UI language cut before its "-" ("zh-CN" gives "zh");
// empty when unknown.
std::wstring GetWindowsDisplayLanguage();
// Whole hours east of UTC, truncated toward zero (UTC-3:30 gives -3).
int GetTimeZoneHours();
// Local time now as "YYYYMMDDhhmmss".
std::wstring GetTimestampString();
