// Named semaphores of the simulated machine. A name is a lock file in the
// sandbox ("<sandbox>/semaphores/<escaped name>"); every handle keeps its own
// open file description of it with a shared flock. The name exists while
// any handle holds that lock, and the kernel drops the locks of a process
// that ends, however it ends. A guard lock makes "does it exist, then hold
// it" one step across processes.
#include "platform/semaphore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>

#include "platform/sim/host_process.h"
#include "platform/sim/machine.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class SimSemaphore : public NamedSemaphore {
 public:
  explicit SimSemaphore(int fd) : fd_(fd) {}
  ~SimSemaphore() override { close(fd_); }

 private:
  int fd_;
};

// Kernel object names are case-sensitive and may hold any character: keep
// the plain ones, escape the rest, and bound the length by a hash.
std::string FileNameOf(const std::wstring& name) {
  std::string utf8 = sim::Utf8Of(name);
  std::string out;
  for (unsigned char c : utf8) {
    if (isalnum(c) || c == '_' || c == '-' || c == '.') {
      out += static_cast<char>(c);
    } else {
      char escaped[4];
      snprintf(escaped, sizeof escaped, "%%%02X", c);
      out += escaped;
    }
  }
  if (out.size() > 180) out = out.substr(0, 160) + "~" + std::to_string(sim::StableHash(utf8));
  return out;
}

int OpenLockFile(const std::string& path) {
  return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
}

}  // namespace

std::unique_ptr<NamedSemaphore> CreateNamedSemaphore(const std::wstring& name, int32_t initialCount,
                                                     int32_t maximumCount, bool* alreadyExisted) {
  if (name.empty() || maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) {
    SetLastErrorCode(kErrorInvalidParameter);
    return nullptr;
  }
  std::string folder = sim::SandboxSubfolder("semaphores");
  int guard = OpenLockFile(folder + "/.guard");
  int fd = OpenLockFile(folder + "/" + FileNameOf(name));
  if (guard < 0 || fd < 0 || flock(guard, LOCK_EX) != 0) {
    SetLastErrorCode(sim::WinErrorOf(errno));
    if (guard >= 0) close(guard);
    if (fd >= 0) close(fd);
    return nullptr;
  }
  bool existed = flock(fd, LOCK_EX | LOCK_NB) != 0;
  flock(fd, LOCK_SH);  // from exclusive down to shared, or joining the holders
  close(guard);        // drops the guard lock
  if (alreadyExisted) *alreadyExisted = existed;
  SetLastErrorCode(existed ? kErrorAlreadyExists : kErrorSuccess);
  return std::make_unique<SimSemaphore>(fd);
}

}  // namespace platform
