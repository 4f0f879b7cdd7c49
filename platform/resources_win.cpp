// Resources of the running executable and version resources of files.
#include <windows.h>

#include <vector>

#include "platform/resources.h"
#include "platform/win_error.h"

namespace platform {
namespace {

constexpr DWORD kModulePathChars = 520;

bool NoVersion() {
  // The version calls leave no error of their own when the resource lacks
  // the fixed part.
  if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
  return false;
}

}  // namespace

std::optional<std::string> FindResourceData(const std::string& type, int id) {
  std::wstring wideType(type.begin(), type.end());  // resource type names are ASCII
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), wideType.c_str());
  if (!found) return std::nullopt;
  DWORD size = SizeofResource(nullptr, found);
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return size == 0 ? std::optional<std::string>(std::string()) : std::nullopt;
  return std::string(static_cast<const char*>(data), size);
}

bool GetFileVersionOf(const std::wstring& path, FileVersion* version) {
  DWORD unused = 0;
  SetLastError(ERROR_SUCCESS);
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &unused);
  if (size == 0) return NoVersion();
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return NoVersion();
  void* fixed = nullptr;
  UINT fixedSize = 0;
  if (!VerQueryValueW(block.data(), L"\\", &fixed, &fixedSize) || fixedSize < sizeof(VS_FIXEDFILEINFO)) {
    return NoVersion();
  }
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  if (info->dwSignature != VS_FFI_SIGNATURE) return NoVersion();
  version->mostSignificant = info->dwFileVersionMS;
  version->leastSignificant = info->dwFileVersionLS;
  return true;
}

std::wstring GetModulePath() {
  wchar_t path[kModulePathChars];
  DWORD length = GetModuleFileNameW(nullptr, path, kModulePathChars);
  // A path that fills the buffer was cut short (ERROR_INSUFFICIENT_BUFFER).
  return length < kModulePathChars ? std::wstring(path, length) : std::wstring();
}

}  // namespace platform
