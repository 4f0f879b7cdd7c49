#pragma once
// A GoogleTest fixture that gives each test its own simulated machine: a
// fresh sandbox folder and a profile merged over the built-in one.
#include <gtest/gtest.h>

#include <string>

namespace platform::testing {

class SimMachineTest : public ::testing::Test {
 protected:
  void SetUp() override { UseProfile("{}"); }
  void TearDown() override;
  // Replaces the machine with one built from `profileJson` in a new sandbox.
  void UseProfile(const std::string& profileJson);
  // Host path of the sandbox.
  const std::string& Sandbox() const { return sandbox_; }
  // Writes a host file (creating folders) for fixtures; returns its path.
  std::string WriteHostFile(const std::string& relativePath, const std::string& bytes);
  // The same, marked executable on the host: a stand-in program.
  std::string WriteHostProgram(const std::string& relativePath, const std::string& bytes);

 private:
  std::string sandbox_;
  std::string root_;
};

// A fresh temporary host folder, removed by RemoveHostTree.
std::string MakeTempHostFolder(const std::string& prefix);
void RemoveHostTree(const std::string& folder);

}  // namespace platform::testing
