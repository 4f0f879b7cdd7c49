#pragma once
// A GoogleTest fixture for tests that state what a platform primitive does on
// Windows, written once for both backends: the same test runs natively on the
// simulated machine and under Wine on the real Win32 API.
//
// Each test gets a fresh, empty scratch folder, the test programs of
// tools/testprogs as Windows paths, and a scratch registry key; all are
// removed afterwards. The sim backend also gives each test a fresh machine
// (the built-in profile in a new sandbox).
#include <gtest/gtest.h>

#include <string>

namespace platform::testing {

// Windows path of the test program `name` built in `buildFolder`: on
// Windows the program beside the test executable or in that folder; on the
// simulated machine a copy in `scratch`, where the machine runs it.
std::wstring TestProgramIn(const std::string& buildFolder, const std::string& name, const std::wstring& scratch);

class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The scratch folder: a Windows path ending in "\\".
  const std::wstring& Scratch() const { return scratch_; }

  // Windows path of the test program `name` of tools/testprogs ("exit_with").
  std::wstring TestProgram(const std::string& name) {
#ifdef KIV_TESTPROGS_DIR
    return TestProgramIn(KIV_TESTPROGS_DIR, name, scratch_);
#else
    return TestProgramIn("", name, scratch_);
#endif
  }

  // `windowsPath` as a test program opens it when it is handed over as an
  // argument (write_args opens its output file with the C library).
  std::wstring ProgramSidePath(const std::wstring& windowsPath) const;

  // The scratch key below the root's Software key
  // ("Software\\KivContractTest\\<unique>"). It is deleted afterwards under
  // HKCU and, in both views, under HKLM, so a test may use either root.
  const std::wstring& ScratchKey() const { return key_; }

  // True when the test runs under Wine, which falls short of Windows in a few
  // rules; a test skips such a rule with the reason, so the limit stays visible.
  static bool UnderWine();

 private:
  // Backend parts (scratch_fixture_sim.cpp, scratch_fixture_win.cpp).
  void EnterMachine();
  void LeaveMachine();
  std::wstring ScratchParent() const;  // ends in "\\"

  std::wstring scratch_;
  std::wstring key_;
  std::string machineRoot_;  // sim: host folder of the test's sandbox
};

// A new empty folder below `parent` (which ends in "\\", and is created when
// missing), named so that concurrent test processes never share one; it ends
// in "\\". Empty when none can be made.
std::wstring MakeUniqueFolder(const std::wstring& parent);
// Removes `folder` (no trailing "\\") with everything in it; read-only files
// are made writable first, as Windows refuses to delete them.
void RemoveFolderTree(const std::wstring& folder);

}  // namespace platform::testing
