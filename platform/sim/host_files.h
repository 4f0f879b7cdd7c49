#pragma once
// Host-side helpers of the sim file primitives: attributes kept in the host
// mode bits, the cross-process record of open handles (share modes), and the
// quota of a drive. Internal to platform/sim.
#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <string>

namespace platform::sim {

// Windows attributes live in the host file's mode, so they follow the file
// through renames and vanish with it: read-only is "no write bits", hidden is
// the sticky bit (which Linux ignores on plain files). Folders never carry
// read-only, which would stop files being created inside them.
uint32_t AttributesOfMode(mode_t mode);
bool ApplyAttributes(const std::string& hostPath, uint32_t attributes);

// The error Windows gives for a path that does not exist: kErrorPathNotFound
// when its folder is missing too, else kErrorFileNotFound.
uint32_t MissingPathError(const std::string& hostPath);

// The handles open on one host file, shared by every process of the sandbox.
// Each handle holds open-file-description locks on a lock file named after
// the file's inode: one byte per access it has and one per access it denies
// others. The locks follow the file through renames and go away when the
// holding process closes the handle or dies. A flock on the same lock file
// makes the check and the recording of a new handle one step.
class ShareRecord {
 public:
  ShareRecord() = default;
  ShareRecord(const ShareRecord&) = delete;
  ShareRecord& operator=(const ShareRecord&) = delete;
  ~ShareRecord();

  // Opens the record of the file `st` describes and takes its guard.
  bool Open(const struct stat& st);
  // True when a handle with this access and share mode fits those already open.
  bool Admits(uint32_t access, uint32_t share) const;
  // Records a handle with this access and share mode and releases the guard;
  // the record stays until this object is destroyed.
  bool Hold(uint32_t access, uint32_t share);

 private:
  int fd_ = -1;
};

// Runs `use` with the bytes still free on drive `drive` (UINT64_MAX without
// a quota), serialised with every other growth of files on that drive across
// processes, so that what `use` checks still holds while it writes.
bool WithDriveSpace(wchar_t drive, const std::function<bool(uint64_t available)>& use);
// Bytes of all files under the drive's folder.
uint64_t UsedBytesOnDrive(wchar_t drive);

}  // namespace platform::sim
