#pragma once
// Products recorded under HKLM "Software\\<root word>\\<any sub-key>" with a
// PID (REG_DWORD) and a non-empty InstallInfo, and the companion product.
#include <cstdint>
#include <string>

bool IsProductInstalled(const std::wstring& rootWord, uint32_t productId);
// Values of the product's record; empty when there is no record or the value
// is missing, empty or not REG_SZ.
std::wstring GetInstalledVersion(const std::wstring& rootWord, uint32_t productId);
std::wstring GetInstalledName(const std::wstring& rootWord, uint32_t productId);
std::wstring GetInstalledPath(const std::wstring& rootWord, uint32_t productId);

// The companion's executable path (InstallName), 64-bit view first; the
// 32-bit view is asked when the 64-bit one names no existing file. The text
// last read is returned even when its file does not exist.
std::wstring GetCompanionInstallName();
bool IsCompanionInstalled();
