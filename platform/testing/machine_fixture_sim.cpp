#include "platform/testing/sim_machine_fixture.h"

#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/sim_control.h"

namespace platform::testing {
namespace {
int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }
}  // namespace

std::string MakeTempHostFolder(const std::string& prefix) {
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "XXXXXX";
  char* made = mkdtemp(pattern.data());
  return made ? std::string(made) : std::string();
}

void RemoveHostTree(const std::string& folder) {
  if (!folder.empty()) nftw(folder.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void SimMachineTest::UseProfile(const std::string& profileJson) {
  if (root_.empty()) root_ = MakeTempHostFolder("kiv-test-");
  static int counter = 0;
  sandbox_ = root_ + "/machine" + std::to_string(++counter);
  std::string error;
  ASSERT_TRUE(platform::sim::UseMachine(profileJson, sandbox_, &error)) << error;
}

void SimMachineTest::TearDown() {
  if (!HasFailure() || getenv("KIV_KEEP_SANDBOX") == nullptr) RemoveHostTree(root_);
  root_.clear();
}

std::string SimMachineTest::WriteHostFile(const std::string& relativePath, const std::string& bytes) {
  std::string path = sandbox_ + "/" + relativePath;
  for (size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1)) {
    mkdir(path.substr(0, pos).c_str(), 0755);
  }
  FILE* f = fopen(path.c_str(), "wb");
  if (f) {
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }
  return path;
}

}  // namespace platform::testing

namespace platform::testing {

std::string SimMachineTest::WriteHostProgram(const std::string& relativePath, const std::string& bytes) {
  std::string path = WriteHostFile(relativePath, bytes);
  chmod(path.c_str(), 0755);
  return path;
}

}  // namespace platform::testing
