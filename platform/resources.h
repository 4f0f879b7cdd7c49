#pragma once
// Resources of the running executable (FindResource/LoadResource) and the
// fixed version resource of files.
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Resource by string type ("XML", "EXE", "ZIPRES") and numeric id. nullopt
// when the executable has no such resource; an empty string when it exists
// but holds no data.
std::optional<std::string> FindResourceData(const std::string& type, int id);

struct FileVersion {
  uint32_t mostSignificant = 0;   // dwFileVersionMS
  uint32_t leastSignificant = 0;  // dwFileVersionLS
};
// The file's VS_FIXEDFILEINFO file version; false when it has none.
bool GetFileVersionOf(const std::wstring& path, FileVersion* version);

// Full Windows path of the running executable (GetModuleFileNameW).
std::wstring GetModulePath();

}  // namespace platform
