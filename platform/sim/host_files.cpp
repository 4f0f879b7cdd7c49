// Attributes in host mode bits and the cross-process record of open handles.
#include "platform/sim/host_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"
#include "platform/sim/machine.h"
#include "platform/win_error.h"

namespace platform::sim {
namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

// Lock-file bytes: 0..2 the accesses a handle has, 3..5 those it denies.
constexpr uint32_t kAccessBits[] = {kAccessRead, kAccessWrite, kAccessDelete};
constexpr uint32_t kShareBits[] = {kShareRead, kShareWrite, kShareDelete};
constexpr off_t kDenyOffset = 3;

bool HeldByOthers(int fd, off_t byte) {
  struct flock probe = {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = byte;
  probe.l_len = 1;
  return fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

bool HoldByte(int fd, off_t byte) {
  struct flock lock = {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

}  // namespace

uint32_t AttributesOfMode(mode_t mode) {
  if (S_ISDIR(mode)) return kAttrDirectory | ((mode & S_ISVTX) ? static_cast<uint32_t>(kAttrHidden) : 0u);
  uint32_t attributes = 0;
  if ((mode & kWriteBits) == 0) attributes |= kAttrReadOnly;
  if (mode & S_ISVTX) attributes |= kAttrHidden;
  return attributes ? attributes : kAttrNormal;
}

bool ApplyAttributes(const std::string& hostPath, uint32_t attributes) {
  struct stat st;
  if (stat(hostPath.c_str(), &st) != 0) {
    SetLastErrorCode(MissingPathError(hostPath));
    return false;
  }
  mode_t mode = st.st_mode & 07777;
  mode = (attributes & kAttrHidden) ? (mode | S_ISVTX) : (mode & ~S_ISVTX);
  if (!S_ISDIR(st.st_mode)) {
    mode = (attributes & kAttrReadOnly) ? (mode & ~kWriteBits) : (mode | S_IWUSR);
  }
  if (chmod(hostPath.c_str(), mode) != 0) {
    SetLastErrorCode(WinErrorOf(errno));
    return false;
  }
  return true;
}

uint32_t MissingPathError(const std::string& hostPath) {
  size_t slash = hostPath.rfind('/');
  struct stat st;
  if (slash == std::string::npos || stat(hostPath.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    return kErrorPathNotFound;
  }
  return kErrorFileNotFound;
}

ShareRecord::~ShareRecord() {
  if (fd_ >= 0) close(fd_);
}

bool ShareRecord::Open(const struct stat& st) {
  std::string folder = TheMachine().Sandbox() + "/.locks";
  mkdir(folder.c_str(), 0755);
  std::string path = folder + "/" + std::to_string(st.st_dev) + "-" + std::to_string(st.st_ino);
  fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0 || flock(fd_, LOCK_EX) != 0) {
    SetLastErrorCode(WinErrorOf(errno));
    return false;
  }
  return true;
}

bool ShareRecord::Admits(uint32_t access, uint32_t share) const {
  for (off_t bit = 0; bit < 3; ++bit) {
    if ((access & kAccessBits[bit]) && HeldByOthers(fd_, kDenyOffset + bit)) return false;
    if (!(share & kShareBits[bit]) && HeldByOthers(fd_, bit)) return false;
  }
  return true;
}

bool ShareRecord::Hold(uint32_t access, uint32_t share) {
  bool held = true;
  for (off_t bit = 0; bit < 3; ++bit) {
    if (access & kAccessBits[bit]) held = HoldByte(fd_, bit) && held;
    if (!(share & kShareBits[bit])) held = HoldByte(fd_, kDenyOffset + bit) && held;
  }
  flock(fd_, LOCK_UN);
  if (!held) SetLastErrorCode(WinErrorOf(errno));
  return held;
}

}  // namespace platform::sim
