// Files and folders by path: attributes, delete, move, folders, listings.
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/files.h"
#include "platform/sim/host_files.h"
#include "platform/sim/machine.h"
#include "platform/win_error.h"

namespace platform {
namespace {

bool Fail(uint32_t code) {
  SetLastErrorCode(code);
  return false;
}

bool FailFromErrno(const std::string& host) {
  return Fail(errno == ENOENT ? sim::MissingPathError(host) : sim::WinErrorOf(errno));
}

bool StatOf(const std::wstring& path, std::string* host, struct stat* st) {
  if (!sim::HostPathOf(path, host)) return false;
  return lstat(host->c_str(), st) == 0 || FailFromErrno(*host);
}

// What stops the file `st` from being removed or replaced: a folder, the
// read-only attribute, or a handle open without delete sharing.
uint32_t RemovalError(const struct stat& st, const sim::ShareRecord& record) {
  if (S_ISDIR(st.st_mode)) return kErrorAccessDenied;
  if (sim::AttributesOfMode(st.st_mode) & kAttrReadOnly) return kErrorAccessDenied;
  if (!record.Admits(kAccessDelete, kShareRead | kShareWrite | kShareDelete)) return kErrorSharingViolation;
  return kErrorSuccess;
}

// The host path a move goes to: what HostPathOf found, except that a name
// differing from the source only in letter case is a rename to that case.
std::string MoveTarget(const std::wstring& to, const std::string& hostFrom, const std::string& hostTo) {
  if (hostTo != hostFrom) return hostTo;
  size_t cut = to.find_last_of(L"\\/");
  return hostTo.substr(0, hostTo.rfind('/') + 1) + sim::Utf8Of(to.substr(cut == std::wstring::npos ? 0 : cut + 1));
}

}  // namespace

uint32_t GetFileAttributesOf(const std::wstring& path) {
  std::string host;
  struct stat st;
  return StatOf(path, &host, &st) ? sim::AttributesOfMode(st.st_mode) : kInvalidAttributes;
}

bool SetFileAttributesOf(const std::wstring& path, uint32_t attributes) {
  std::string host;
  return sim::HostPathOf(path, &host) && sim::ApplyAttributes(host, attributes);
}

bool FileExists(const std::wstring& path) {
  std::string host;
  struct stat st;
  return StatOf(path, &host, &st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::wstring& path) {
  std::string host;
  struct stat st;
  return StatOf(path, &host, &st) && S_ISDIR(st.st_mode);
}

bool DeleteFileAt(const std::wstring& path) {
  std::string host;
  struct stat st;
  if (!StatOf(path, &host, &st)) return false;
  sim::ShareRecord record;
  if (!S_ISDIR(st.st_mode) && !record.Open(st)) return false;
  uint32_t refused = RemovalError(st, record);
  if (refused != kErrorSuccess) return Fail(refused);
  return unlink(host.c_str()) == 0 || FailFromErrno(host);
}

bool MoveFileTo(const std::wstring& from, const std::wstring& to, bool replaceExisting) {
  std::string hostFrom, hostTo;
  struct stat source, target;
  if (!StatOf(from, &hostFrom, &source) || !sim::HostPathOf(to, &hostTo)) return false;
  hostTo = MoveTarget(to, hostFrom, hostTo);
  bool replacing = hostTo != hostFrom && lstat(hostTo.c_str(), &target) == 0;
  if (replacing && !replaceExisting) return Fail(kErrorAlreadyExists);
  // Both records are guarded at once; taking them in inode order keeps two
  // opposite moves from waiting on each other.
  sim::ShareRecord sourceRecord, targetRecord;
  bool targetFirst = replacing && target.st_ino < source.st_ino;
  if (targetFirst && !S_ISDIR(target.st_mode) && !targetRecord.Open(target)) return false;
  if (!S_ISDIR(source.st_mode) && !sourceRecord.Open(source)) return false;
  if (replacing && !targetFirst && !S_ISDIR(target.st_mode) && !targetRecord.Open(target)) return false;
  // Renaming needs delete access to the source; a read-only source may move.
  if (!S_ISDIR(source.st_mode) && !sourceRecord.Admits(kAccessDelete, kShareRead | kShareWrite | kShareDelete)) {
    return Fail(kErrorSharingViolation);
  }
  uint32_t refused = replacing ? RemovalError(target, targetRecord) : kErrorSuccess;
  if (refused != kErrorSuccess) return Fail(refused);
  if (rename(hostFrom.c_str(), hostTo.c_str()) == 0) return true;
  return Fail(errno == ENOENT ? kErrorPathNotFound : sim::WinErrorOf(errno));
}

bool CreateDirectoryAt(const std::wstring& path) {
  std::string host;
  if (!sim::HostPathOf(path, &host)) return false;
  if (mkdir(host.c_str(), 0755) == 0) return true;
  return Fail(errno == ENOENT ? kErrorPathNotFound : sim::WinErrorOf(errno));
}

bool RemoveDirectoryAt(const std::wstring& path) {
  std::string host;
  if (!sim::HostPathOf(path, &host)) return false;
  return rmdir(host.c_str()) == 0 || FailFromErrno(host);
}

bool ListDirectory(const std::wstring& folder, std::vector<DirEntry>* entries) {
  std::string host;
  if (!sim::HostPathOf(folder, &host)) return false;
  DIR* dir = opendir(host.c_str());
  if (!dir) return FailFromErrno(host);
  entries->clear();
  while (dirent* item = readdir(dir)) {
    std::string name = item->d_name;
    struct stat st;
    if (name == "." || name == ".." || fstatat(dirfd(dir), item->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    entries->push_back({sim::WideOf(name), S_ISDIR(st.st_mode), S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size),
                        static_cast<int64_t>(st.st_mtime)});
  }
  closedir(dir);
  // NTFS lists names in case-blind order; the host's order is arbitrary.
  std::sort(entries->begin(), entries->end(), [](const DirEntry& a, const DirEntry& b) {
    return strcasecmp(sim::Utf8Of(a.name).c_str(), sim::Utf8Of(b.name).c_str()) < 0;
  });
  return true;
}

bool SetFileModifiedTime(const std::wstring& path, int64_t unixSeconds) {
  std::string host;
  if (!sim::HostPathOf(path, &host)) return false;
  struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(unixSeconds), 0}};
  return utimensat(AT_FDCWD, host.c_str(), times, 0) == 0 || FailFromErrno(host);
}

}  // namespace platform
