#pragma once
// Logical drives: the drive strings, their types, free space.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// GetDriveTypeW values.
enum class DriveType : uint32_t {
  kUnknown = 0, kNoRootDir = 1, kRemovable = 2, kFixed = 3, kRemote = 4, kCdRom = 5, kRamDisk = 6
};

// GetLogicalDriveStringsW: "C:\\", "D:\\", ... in the system's order.
std::vector<std::wstring> GetLogicalDriveRoots();
DriveType GetDriveTypeOf(const std::wstring& root);
// GetDiskFreeSpaceExW for any folder on the volume: bytes available to the caller.
bool GetDiskFreeBytesAvailable(const std::wstring& folder, uint64_t* freeBytes);

}  // namespace platform
