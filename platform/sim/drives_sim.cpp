// Drives of the machine profile: roots, types, free space and quotas.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwctype>

#include "platform/drives.h"
#include "platform/sim/host_files.h"
#include "platform/sim/machine.h"
#include "platform/win_error.h"

namespace platform {
namespace sim {
namespace {

uint64_t BytesUnder(int folderFd) {
  DIR* dir = fdopendir(folderFd);
  if (!dir) {
    close(folderFd);
    return 0;
  }
  uint64_t total = 0;
  while (dirent* item = readdir(dir)) {
    if (!strcmp(item->d_name, ".") || !strcmp(item->d_name, "..")) continue;
    struct stat st;
    if (fstatat(dirfd(dir), item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(st.st_mode)) total += st.st_size;
    if (S_ISDIR(st.st_mode)) {
      int child = openat(dirfd(dir), item->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (child >= 0) total += BytesUnder(child);
    }
  }
  closedir(dir);
  return total;
}

std::string DriveFolder(wchar_t drive) {
  return TheMachine().Sandbox() + "/" + static_cast<char>(towupper(drive));
}

}  // namespace

uint64_t UsedBytesOnDrive(wchar_t drive) {
  int fd = open(DriveFolder(drive).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return fd < 0 ? 0 : BytesUnder(fd);
}

bool WithDriveSpace(wchar_t drive, const std::function<bool(uint64_t available)>& use) {
  const DriveSpec* spec = TheMachine().Drive(drive);
  if (!spec || spec->quotaBytes < 0) return use(UINT64_MAX);
  std::string lockPath = TheMachine().Sandbox() + "/.quota-" + spec->letter;
  int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0 || flock(fd, LOCK_EX) != 0) {
    SetLastErrorCode(WinErrorOf(errno));
    if (fd >= 0) close(fd);
    return false;
  }
  uint64_t used = UsedBytesOnDrive(drive);
  uint64_t quota = static_cast<uint64_t>(spec->quotaBytes);
  bool ok = use(used < quota ? quota - used : 0);
  close(fd);  // releases the flock
  return ok;
}

}  // namespace sim

std::vector<std::wstring> GetLogicalDriveRoots() {
  std::vector<std::wstring> roots;
  for (const auto& drive : sim::TheMachine().Drives()) roots.push_back(std::wstring(1, drive.letter) + L":\\");
  std::sort(roots.begin(), roots.end());
  return roots;
}

DriveType GetDriveTypeOf(const std::wstring& root) {
  // Only a drive root names a volume: "C:\\" (or "C:").
  bool isRoot = (root.size() == 2 || (root.size() == 3 && (root[2] == L'\\' || root[2] == L'/'))) && root[1] == L':';
  const sim::DriveSpec* spec = isRoot ? sim::TheMachine().Drive(root[0]) : nullptr;
  if (!spec) return DriveType::kNoRootDir;
  static const std::pair<const char*, DriveType> kTypes[] = {
      {"fixed", DriveType::kFixed},   {"removable", DriveType::kRemovable}, {"remote", DriveType::kRemote},
      {"cdrom", DriveType::kCdRom},   {"ramdisk", DriveType::kRamDisk},
  };
  for (const auto& [name, type] : kTypes) {
    if (spec->type == name) return type;
  }
  return DriveType::kUnknown;
}

bool GetDiskFreeBytesAvailable(const std::wstring& folder, uint64_t* freeBytes) {
  std::string host;
  if (!sim::HostPathOf(folder, &host)) return false;
  struct stat st;
  if (stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    SetLastErrorCode(kErrorPathNotFound);
    return false;
  }
  const sim::DriveSpec* spec = sim::TheMachine().Drive(folder[0]);
  if (spec->quotaBytes >= 0) {
    return sim::WithDriveSpace(folder[0], [&](uint64_t available) {
      *freeBytes = available;
      return true;
    });
  }
  struct statvfs fs;
  if (statvfs(host.c_str(), &fs) != 0) {
    SetLastErrorCode(sim::WinErrorOf(errno));
    return false;
  }
  *freeBytes = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
  return true;
}

}  // namespace platform
