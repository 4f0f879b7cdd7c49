// OpenFile: host files behind Windows handles, with share modes kept across
// processes, dispositions, attributes and the drive's quota.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cwctype>
#include <mutex>

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

class SimFile : public File {
 public:
  SimFile(int fd, uint32_t access, wchar_t drive, std::unique_ptr<sim::ShareRecord> share)
      : fd_(fd), access_(access), drive_(drive), share_(std::move(share)) {}
  ~SimFile() override { close(fd_); }

  bool ReadAt(uint64_t offset, void* buffer, uint32_t size, uint32_t* done) override {
    *done = 0;
    if (!(access_ & kAccessRead)) return Fail(kErrorAccessDenied);
    while (*done < size) {
      ssize_t n = pread(fd_, static_cast<char*>(buffer) + *done, size - *done, offset + *done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Fail(sim::WinErrorOf(errno));
      if (n == 0) break;  // end of file: a short read that still succeeds
      *done += n;
    }
    return true;
  }

  bool WriteAt(uint64_t offset, const void* data, uint32_t size, uint32_t* done) override {
    *done = 0;
    if (!(access_ & kAccessWrite)) return Fail(kErrorAccessDenied);
    return sim::WithDriveSpace(drive_, [&](uint64_t available) {
      uint64_t current = 0;
      if (!SizeOf(&current)) return false;
      if (offset + size > current && offset + size - current > available) return Fail(kErrorDiskFull);
      while (*done < size) {
        ssize_t n = pwrite(fd_, static_cast<const char*>(data) + *done, size - *done, offset + *done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(sim::WinErrorOf(errno));
        *done += n;
      }
      return true;
    });
  }

  bool Append(const void* data, uint32_t size) override {
    std::lock_guard<std::mutex> lock(appendMutex_);  // appends of one handle never overlap
    uint64_t end = 0;
    uint32_t done = 0;
    return GetSize(&end) && WriteAt(end, data, size, &done);
  }

  bool SetSize(uint64_t size) override {
    if (!(access_ & kAccessWrite)) return Fail(kErrorAccessDenied);
    return sim::WithDriveSpace(drive_, [&](uint64_t available) {
      uint64_t current = 0;
      if (!SizeOf(&current)) return false;
      if (size <= current) return ftruncate(fd_, size) == 0 || Fail(sim::WinErrorOf(errno));
      if (size - current > available) return Fail(kErrorDiskFull);
      int error = posix_fallocate(fd_, current, size - current);
      return error == 0 || Fail(sim::WinErrorOf(error));
    });
  }

  bool GetSize(uint64_t* size) override { return SizeOf(size); }

  bool Flush() override { return fdatasync(fd_) == 0 || Fail(sim::WinErrorOf(errno)); }

 private:
  bool SizeOf(uint64_t* size) const {
    struct stat st;
    if (fstat(fd_, &st) != 0) return Fail(sim::WinErrorOf(errno));
    *size = st.st_size;
    return true;
  }

  int fd_;
  uint32_t access_;
  wchar_t drive_;
  std::unique_ptr<sim::ShareRecord> share_;  // keeps this handle in the file's record
  std::mutex appendMutex_;
};

// Opens the host file without truncating it (sharing is checked first);
// `created` tells whether this call made it.
int OpenHost(const std::string& host, uint32_t access, FileDisposition disposition, bool* created) {
  bool truncates = disposition == FileDisposition::kCreateAlways || disposition == FileDisposition::kTruncateExisting;
  int flags = ((access & kAccessWrite) || truncates ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  *created = false;
  bool mayCreate = disposition == FileDisposition::kCreateNew || disposition == FileDisposition::kCreateAlways ||
                   disposition == FileDisposition::kOpenAlways;
  if (disposition != FileDisposition::kCreateNew) {
    int fd = open(host.c_str(), flags);
    if (fd >= 0 || errno != ENOENT || !mayCreate) return fd;
  }
  int fd = open(host.c_str(), flags | O_CREAT | O_EXCL, 0644);
  if (fd >= 0) *created = true;
  // Lost a race with another creator: open what it made.
  if (fd < 0 && errno == EEXIST && disposition != FileDisposition::kCreateNew) fd = open(host.c_str(), flags);
  return fd;
}

uint32_t OpenError(const std::string& host, FileDisposition disposition) {
  if (errno == EEXIST) return disposition == FileDisposition::kCreateNew ? kErrorFileExists : kErrorAlreadyExists;
  if (errno == ENOENT) return sim::MissingPathError(host);
  return sim::WinErrorOf(errno);
}

// What Windows refuses before touching an existing file: writing or
// truncating a read-only file, and re-creating a hidden file as a normal one.
uint32_t ExistingFileError(const struct stat& st, uint32_t access, FileDisposition disposition,
                           uint32_t attributes) {
  if (S_ISDIR(st.st_mode)) return kErrorAccessDenied;
  uint32_t current = sim::AttributesOfMode(st.st_mode);
  bool truncates = disposition == FileDisposition::kCreateAlways || disposition == FileDisposition::kTruncateExisting;
  if ((current & kAttrReadOnly) && ((access & kAccessWrite) || truncates)) return kErrorAccessDenied;
  if (disposition == FileDisposition::kCreateAlways && (current & kAttrHidden) && !(attributes & kAttrHidden)) {
    return kErrorAccessDenied;
  }
  return kErrorSuccess;
}

}  // namespace

std::unique_ptr<File> OpenFile(const std::wstring& path, uint32_t access, uint32_t share,
                               FileDisposition disposition, uint32_t attributes) {
  std::string host;
  if (!sim::HostPathOf(path, &host)) return nullptr;
  bool created = false;
  int fd = OpenHost(host, access, disposition, &created);
  if (fd < 0 && errno == EACCES) {
    // Root ignores mode bits and others do not: the read-only attribute decides alike.
    struct stat st;
    uint32_t error = stat(host.c_str(), &st) == 0 ? ExistingFileError(st, access, disposition, attributes) : 0;
    SetLastErrorCode(error ? error : kErrorAccessDenied);
    return nullptr;
  }
  if (fd < 0) {
    SetLastErrorCode(OpenError(host, disposition));
    return nullptr;
  }
  struct stat st;
  auto record = std::make_unique<sim::ShareRecord>();
  uint32_t refused = fstat(fd, &st) != 0 ? sim::WinErrorOf(errno)
                     : created           ? kErrorSuccess
                                         : ExistingFileError(st, access, disposition, attributes);
  if (refused == kErrorSuccess && !record->Open(st)) refused = GetLastErrorCode();
  if (refused == kErrorSuccess && !record->Admits(access, share)) refused = kErrorSharingViolation;
  if (refused == kErrorSuccess && !record->Hold(access, share)) refused = GetLastErrorCode();
  bool truncates = !created && (disposition == FileDisposition::kCreateAlways ||
                                disposition == FileDisposition::kTruncateExisting);
  if (refused == kErrorSuccess && truncates && ftruncate(fd, 0) != 0) refused = sim::WinErrorOf(errno);
  if (refused == kErrorSuccess && (created || disposition == FileDisposition::kCreateAlways) &&
      !sim::ApplyAttributes(host, attributes)) {
    refused = GetLastErrorCode();
  }
  if (refused != kErrorSuccess) {
    close(fd);
    SetLastErrorCode(refused);
    return nullptr;
  }
  // Like CreateFileW: opening a file that already existed reports ERROR_ALREADY_EXISTS.
  bool reportsExisting = disposition == FileDisposition::kCreateAlways || disposition == FileDisposition::kOpenAlways;
  SetLastErrorCode(!created && reportsExisting ? kErrorAlreadyExists : kErrorSuccess);
  return std::make_unique<SimFile>(fd, access, towupper(path[0]), std::move(record));
}

}  // namespace platform
