// Logical drives through Win32.
#include <windows.h>

#include <vector>

#include "platform/drives.h"

namespace platform {

std::vector<std::wstring> GetLogicalDriveRoots() {
  // "C:\\\0D:\\\0\0"; a drive added between the two calls shows as a bigger need.
  std::vector<wchar_t> buffer(GetLogicalDriveStringsW(0, nullptr) + 1);
  DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
  std::vector<std::wstring> roots;
  if (length == 0 || length >= buffer.size()) return roots;
  for (const wchar_t* root = buffer.data(); *root; root += roots.back().size() + 1) roots.emplace_back(root);
  return roots;
}

DriveType GetDriveTypeOf(const std::wstring& root) { return static_cast<DriveType>(GetDriveTypeW(root.c_str())); }

bool GetDiskFreeBytesAvailable(const std::wstring& folder, uint64_t* freeBytes) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return false;
  *freeBytes = available.QuadPart;
  return true;
}

}  // namespace platform
