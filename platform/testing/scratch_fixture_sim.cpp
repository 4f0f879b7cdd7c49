// The scratch fixture on the simulated machine: every test gets a machine of
// its own (the built-in profile in a new sandbox); test programs are host
// programs copied into the scratch folder, where the machine runs them.
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "platform/sim/machine.h"
#include "platform/sim_control.h"
#include "platform/testing/scratch_fixture.h"
#include "platform/testing/sim_machine_fixture.h"

namespace platform::testing {

void ScratchTest::EnterMachine() {
  machineRoot_ = MakeTempHostFolder("kiv-contract-");
  ASSERT_FALSE(machineRoot_.empty());
  std::string error;
  ASSERT_TRUE(platform::sim::UseMachine("{}", machineRoot_ + "/machine", &error)) << error;
}

void ScratchTest::LeaveMachine() {
  RemoveHostTree(machineRoot_);
  machineRoot_.clear();
}

bool ScratchTest::UnderWine() { return false; }

std::wstring ScratchTest::ScratchParent() const { return L"C:\\KivScratch\\"; }

std::wstring TestProgramIn(const std::string& buildFolder, const std::string& name, const std::wstring& scratch) {
  std::ifstream in(buildFolder + "/" + name, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_FALSE(bytes.str().empty()) << "test program " << name << " is not built in " << buildFolder;
  std::wstring path = scratch + platform::sim::WideOf(name) + L".exe";
  std::string hostPath;
  EXPECT_TRUE(WriteWholeFile(path, bytes.str()) && platform::sim::HostPathOf(path, &hostPath));
  chmod(hostPath.c_str(), 0755);
  return path;
}

std::wstring ScratchTest::ProgramSidePath(const std::wstring& windowsPath) const {
  std::string hostPath;
  EXPECT_TRUE(platform::sim::HostPathOf(windowsPath, &hostPath));
  return platform::sim::WideOf(hostPath);
}

}  // namespace platform::testing
