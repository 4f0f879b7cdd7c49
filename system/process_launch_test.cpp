// Process launching against real child processes (tools/testprogs): exit
// codes, the hidden run and its time limit, the .NET probe's registry value.
// Runs on the simulated machine and on the real one.
#include "system/process_launch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/simple_log.h"

namespace {

class ProcessLaunchTest : public platform::testing::MachineTest {};

TEST_F(ProcessLaunchTest, RunExeReturnsTheWholeExitCodeWithOrWithoutTheLock) {
  const std::wstring package = TestProgram("exit_with");
  const std::pair<const wchar_t*, int> cases[] = {{L"3010", 3010}, {L"-1073741819", -1073741819}, {L"1603", 1603}};
  for (const auto& [code, expected] : cases) {
    SCOPED_TRACE(std::string(code, code + wcslen(code)));
    EXPECT_EQ(RunExe(package, code, false), expected);
    EXPECT_EQ(RunExe(package, code, true), expected);
  }
  EXPECT_TRUE(platform::FileExists(package)) << "the lock is let go";
}

TEST_F(ProcessLaunchTest, RunExeOnAMissingPackageStartsNothingAndLogsTheError) {
  const std::wstring missing = Scratch() + L"gone.exe";
  const std::wstring logPath = Scratch() + L"twKIV.log";
  simpleLog log(std::string(logPath.begin(), logPath.end()));
  log.Open();
  InstallLogger(&log);
  EXPECT_EQ(RunExe(missing, L"/S", false), kRunExeLockFailed);
  EXPECT_EQ(RunExe(TestProgram("exit_with"), L"5", false), 5);
  InstallLogger(nullptr);

  std::string text;
  ASSERT_TRUE(platform::ReadWholeFile(logPath, &text));
  EXPECT_NE(text.find("[INFO] RunExe: \r\n path=[" + std::string(missing.begin(), missing.end()) +
                      "] \r\n param=[/S] \r\n hide=[0], block=[1]."),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("[ERROR] RunExe failed! err=[2]"), std::string::npos) << text;
  EXPECT_NE(text.find("[INFO] RunExe ret=[5]."), std::string::npos) << text;
}

TEST_F(ProcessLaunchTest, RunExeOfAFileThatIsNoProgramWaitsForNothing) {
  const std::wstring broken = Scratch() + L"broken.exe";
  ASSERT_TRUE(platform::WriteWholeFile(broken, "not a program"));
  EXPECT_EQ(RunExe(broken, L"", false), kRunExeNotStarted);
}

TEST_F(ProcessLaunchTest, HiddenRunPassesOnlyOnExitCodeZero) {
  const std::wstring program = TestProgram("exit_with");
  const std::pair<std::wstring, bool> cases[] = {
      {L"\"" + program + L"\" 0", true},
      {L"\"" + program + L"\" 256", false},  // a code whose low byte is 0 still fails
      {L"\"" + Scratch() + L"missing.exe\" 0", false},
  };
  for (const auto& [commandLine, expected] : cases) {
    EXPECT_EQ(RunHiddenAndWait(commandLine), expected) << std::string(commandLine.begin(), commandLine.end());
  }
}

TEST_F(ProcessLaunchTest, HiddenRunPastItsLimitIsEndedAndFails) {
  const std::wstring program = TestProgram("exit_with");
  auto begin = std::chrono::steady_clock::now();
  EXPECT_FALSE(RunHiddenAndWait(L"\"" + program + L"\" 0 30000", 300));
  auto elapsed = std::chrono::steady_clock::now() - begin;
  EXPECT_GE(elapsed, std::chrono::milliseconds(300));
  EXPECT_LT(elapsed, std::chrono::seconds(10));
  std::vector<platform::ProcessEntry> processes;
  ASSERT_TRUE(platform::SnapshotProcesses(&processes));
  EXPECT_TRUE(std::none_of(processes.begin(), processes.end(),
                           [&](const platform::ProcessEntry& p) { return p.imagePath == program; }));
}

// A 32-bit Windows machine (one registry view) with the .NET 2.0 policy.
class DotNetProbeTest : public platform::testing::MachineTest {
 protected:
  void UsePolicy(const std::string& extraValues) {
    UseProfile(R"({"os": {"bits": 32, "wow64": false},
                   "registry": {"HKLM\\SOFTWARE\\Microsoft\\.NETFramework\\policy\\v2.0": {"50727": "50727-50727"},
                                "HKLM\\SOFTWARE\\Microsoft\\.NETFramework": {
                                    "InstallRoot": "C:\\Windows\\Microsoft.NET\\Framework\\")" +
               extraValues + "}}}");
  }
  // The probe passes only when it sees NoGuiFromShim = 1 while it runs.
  std::wstring Probe() {
    return L"\"" + TestProgram("registry_dword") + L"\" SOFTWARE\\Microsoft\\.NETFramework NoGuiFromShim 1";
  }

  static bool NoGuiFromShim(uint32_t* number) {
    std::unique_ptr<platform::RegKey> key;
    platform::RegValue value;
    return platform::OpenRegKey(platform::RegRoot::kLocalMachine, L"SOFTWARE\\Microsoft\\.NETFramework",
                                platform::kRegRead, platform::RegView::kDefault, false, &key) == 0 &&
           key->QueryValue(L"NoGuiFromShim", &value, 4) == 0 && platform::RegValueDword(value, number);
  }
};

TEST_F(DotNetProbeTest, NoGuiFromShimIsSetOnlyForTheProbe) {
  UsePolicy(R"(, "NoGuiFromShim": null)");
  if (IsSkipped() || HasFatalFailure()) return;
  platform::SetProcessErrorMode(platform::kSemFailCriticalErrors);
  EXPECT_TRUE(RunDotNetProbe(Probe()));
  uint32_t number = 0;
  EXPECT_FALSE(NoGuiFromShim(&number));  // missing before, missing after
  EXPECT_EQ(platform::SetProcessErrorMode(0), platform::kSemFailCriticalErrors);

  UsePolicy(R"(, "NoGuiFromShim": 1)");
  EXPECT_TRUE(RunDotNetProbe(Probe()));
  ASSERT_TRUE(NoGuiFromShim(&number));
  EXPECT_EQ(number, 1u);
}

TEST_F(DotNetProbeTest, FailsWithoutACommandLineOrWhenTheProbeFails) {
  UsePolicy("");
  if (IsSkipped() || HasFatalFailure()) return;
  const std::wstring program = TestProgram("exit_with");
  EXPECT_FALSE(RunDotNetProbe(L""));
  EXPECT_FALSE(RunDotNetProbe(L"\"" + program + L"\" 1"));
  EXPECT_TRUE(RunDotNetProbe(L"\"" + program + L"\" 0"));
}

}  // namespace
