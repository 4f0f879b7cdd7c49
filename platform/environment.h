#pragma once
// The process environment and the shell's known folders.
#include <cstdint>
#include <string>

namespace platform {

inline constexpr uint32_t kErrorEnvVarNotFound = 203;  // ERROR_ENVVAR_NOT_FOUND

// GetEnvironmentVariableW(name, buffer, bufferChars); names compare case-blind.
// Returns the value's length and sets `value` when it fits with its
// terminator; returns the size needed (terminator included) and leaves
// `value` untouched when it does not; returns 0 when the variable does not
// exist (kErrorEnvVarNotFound) or is empty (kErrorSuccess).
uint32_t GetEnvironmentValue(const std::wstring& name, uint32_t bufferChars, std::wstring* value);

// SetEnvironmentVariableW(name, value): sets the variable for this process,
// or removes it when `value` is null. False (last error set) for a name that
// is empty or holds "=" past its first character.
bool SetEnvironmentValue(const std::wstring& name, const wchar_t* value);

// GetTempPathW(bufferChars, buffer): the first of TMP, TEMP, USERPROFILE and
// the Windows folder, always ending in "\\". Same return convention as
// GetEnvironmentValue.
uint32_t GetTempPathValue(uint32_t bufferChars, std::wstring* path);

// CSIDL values of the folders that the installer asks for.
enum class KnownFolder : int {
  kDesktopDirectory = 0x10,  // CSIDL_DESKTOPDIRECTORY
  kLocalAppData = 0x1c,      // CSIDL_LOCAL_APPDATA
  kCommonDocuments = 0x2e,   // CSIDL_COMMON_DOCUMENTS
};
// SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT): the path
// without a trailing "\\"; false when the shell does not report the folder.
bool GetKnownFolderPath(KnownFolder folder, std::wstring* path);

}  // namespace platform
