#pragma once
// A GoogleTest fixture that gives each test the machine a profile describes
// (the members are listed in platform/sim_control.h), written once for both
// backends.
//
// On the simulated machine (sim backend) every profile can be had: each
// UseProfile makes a fresh sandbox with the profile merged over the built-in
// one. On Windows (win32 backend, run under Wine) the test runs on the real
// machine, which takes only part of a profile: "registry" values are written
// into the real registry and "env" variables into the process; "os",
// "admin" and "locale" members are accepted where the machine already is so.
// The fixture undoes its changes when the next profile is used and after the
// test. Any other member ends the test as skipped, naming the member: use
// USE_PROFILE, which returns from the calling test (or void helper) then.
//
// Registry seeds are physical key paths. On Windows a seed under
// "HKLM\\SOFTWARE" is written through the view it names (WOW6432Node: the
// 32-bit view) and needs the real machine to have the profile's bitness (the
// built-in profile is 64-bit Windows).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/testing/scratch_fixture.h"

namespace platform::testing {

class MachineTest : public ::testing::Test {
 protected:
  MachineTest();
  ~MachineTest() override;
  void SetUp() override { UseProfile("{}"); }
  void TearDown() override;

  // Makes the machine `profileJson` describes, or skips the test (see above).
  void UseProfile(const std::string& profileJson);
  // Skips the test on Windows: its point is a fact only the simulated machine
  // sets (`why` says which).
  void RequireSimulatedMachine(const std::string& why);

  // An empty folder of the current machine, made on first use, a Windows
  // path ending in "\\": inside the sandbox on the sim, below the real
  // temporary folder on Windows. Its path stays the same for the whole test
  // (a profile may name it); every UseProfile empties it. Removed after the
  // test.
  const std::wstring& Scratch();

  // Windows path of the test program `name` of tools/testprogs ("exit_with"),
  // which this machine runs: on the sim a copy in Scratch(), so a later
  // UseProfile removes it.
  std::wstring TestProgram(const std::string& name) {
#ifdef KIV_TESTPROGS_DIR
    return TestProgramIn(KIV_TESTPROGS_DIR, name, Scratch());
#else
    return TestProgramIn("", name, Scratch());
#endif
  }

  // A key the code under test writes (a product's own key): deleted now and
  // after the test, under HKLM in both views. On the sim every machine
  // starts without it anyway.
  void RemoveKeyAfterwards(RegRoot root, const std::wstring& key);

  // Sim backend only: a test that uses these is built for the simulated
  // machine only. Host path of the sandbox.
  const std::string& Sandbox() const;
  // Writes a host file (creating folders) for fixtures; returns its path.
  std::string WriteHostFile(const std::string& relativePath, const std::string& bytes);
  // The same, marked executable on the host: a stand-in program.
  std::string WriteHostProgram(const std::string& relativePath, const std::string& bytes);

 private:
  struct Backend;  // what the backend keeps: sandbox folders, or the changes to undo
  void DeleteClaimedKeys();
  std::wstring MakeScratch();  // backend part of Scratch()

  std::unique_ptr<Backend> backend_;
  std::wstring scratch_;
  std::vector<std::pair<RegRoot, std::wstring>> claimedKeys_;
};

// The fixture of tests written for the simulated machine only; they stay
// out of the Windows build.
class SimMachineTest : public MachineTest {};

// `utf8` as a quoted JSON string, for profiles that name a path such as the
// scratch folder (backslashes and quotes escaped).
inline std::string JsonQuoted(const std::string& utf8) {
  std::string json = "\"";
  for (char c : utf8) {
    if (c == '\\' || c == '"') json += '\\';
    json += c;
  }
  return json + "\"";
}

// Sim backend only: a fresh temporary host folder, removed by RemoveHostTree.
std::string MakeTempHostFolder(const std::string& prefix);
void RemoveHostTree(const std::string& folder);

}  // namespace platform::testing

// UseProfile, then returns from the calling test or void helper when the
// profile ended the test (skipped, or a fatal failure).
#define USE_PROFILE(profileJson)                        \
  do {                                                  \
    UseProfile(profileJson);                            \
    if (IsSkipped() || HasFatalFailure()) return;       \
  } while (false)

// RequireSimulatedMachine, then returns from the calling test when skipped.
#define REQUIRE_SIMULATED_MACHINE(why)  \
  do {                                  \
    RequireSimulatedMachine(why);       \
    if (IsSkipped()) return;            \
  } while (false)
