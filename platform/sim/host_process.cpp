#include "platform/sim/host_process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/sim/machine.h"

namespace platform::sim {

uint64_t ProcessStartTime(int pid) {
  std::string stat;
  if (pid <= 0 || !ReadHostText("/proc/" + std::to_string(pid) + "/stat", &stat)) return 0;
  // The command name may hold blanks and parentheses: fields count from
  // the last ')'. State is field 3, start time field 22.
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  const char* p = stat.c_str() + close + 2;
  if (*p == 'Z' || *p == 'X') return 0;
  for (int field = 3; field < 22 && *p; ++field) {
    p = strchr(p, ' ');
    if (!p) return 0;
    ++p;
  }
  return strtoull(p, nullptr, 10);
}

bool ProcessAlive(int pid, uint64_t startTime) {
  uint64_t now = ProcessStartTime(pid);
  return now != 0 && now == startTime;
}

bool MakeHostFolders(const std::string& path) {
  for (size_t pos = path.find('/', 1);; pos = path.find('/', pos + 1)) {
    std::string partial = path.substr(0, pos);
    if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (pos == std::string::npos) return true;
  }
}

std::string SandboxSubfolder(const std::string& name) {
  std::string folder = TheMachine().Sandbox() + "/" + name;
  MakeHostFolders(folder);
  return folder;
}

bool ReadHostText(const std::string& path, std::string* text) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  text->clear();
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text->append(buffer, n);
  close(fd);
  return n == 0;
}

bool WriteHostTextAtomically(const std::string& path, const std::string& text) {
  static std::atomic<unsigned> counter{0};
  std::string temp = path + ".tmp" + std::to_string(getpid()) + "." + std::to_string(++counter);
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ok = close(fd) == 0 && ok;
  if (ok && rename(temp.c_str(), path.c_str()) == 0) return true;
  unlink(temp.c_str());
  return false;
}

uint64_t StableHash(const std::string& text) {
  uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace platform::sim
