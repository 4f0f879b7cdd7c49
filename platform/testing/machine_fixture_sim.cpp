// The machine fixture on the simulated machine: every profile is a fresh
// sandbox, removed after the test.
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/files.h"
#include "platform/sim_control.h"
#include "platform/win_error.h"
#include "platform/testing/sim_machine_fixture.h"

namespace platform::testing {
namespace {
int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }
}  // namespace

struct MachineTest::Backend {
  std::string root;     // host folder that holds this test's sandboxes
  std::string sandbox;  // the current machine's
};

MachineTest::MachineTest() : backend_(std::make_unique<Backend>()) {}
MachineTest::~MachineTest() = default;

std::string MakeTempHostFolder(const std::string& prefix) {
  const char* tmp = getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "XXXXXX";
  char* made = mkdtemp(pattern.data());
  return made ? std::string(made) : std::string();
}

void RemoveHostTree(const std::string& folder) {
  if (!folder.empty()) nftw(folder.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void MachineTest::UseProfile(const std::string& profileJson) {
  if (backend_->root.empty()) backend_->root = MakeTempHostFolder("kiv-test-");
  static int counter = 0;
  backend_->sandbox = backend_->root + "/machine" + std::to_string(++counter);
  std::string error;
  scratch_.clear();
  ASSERT_TRUE(platform::sim::UseMachine(profileJson, backend_->sandbox, &error)) << error;
}

std::wstring MachineTest::MakeScratch() {
  // A profile that names the folder (as TEMP, say) has the machine make it.
  const bool made = CreateDirectoryAt(L"C:\\Scratch") || GetLastErrorCode() == kErrorAlreadyExists;
  return made ? L"C:\\Scratch\\" : L"";
}

void MachineTest::RequireSimulatedMachine(const std::string&) {}

void MachineTest::TearDown() {
  if (!HasFailure() || getenv("KIV_KEEP_SANDBOX") == nullptr) RemoveHostTree(backend_->root);
  backend_->root.clear();
}

const std::string& MachineTest::Sandbox() const { return backend_->sandbox; }

std::string MachineTest::WriteHostFile(const std::string& relativePath, const std::string& bytes) {
  std::string path = backend_->sandbox + "/" + relativePath;
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

std::string MachineTest::WriteHostProgram(const std::string& relativePath, const std::string& bytes) {
  std::string path = WriteHostFile(relativePath, bytes);
  chmod(path.c_str(), 0755);
  return path;
}

}  // namespace platform::testing
