#include "platform/process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/system_info.h"
#include "platform/testing/journal_entries.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/win_error.h"
#include "tools/testprogs/test_programs.h"

namespace platform {
namespace {

using testing::JournalEntries;

class ProcessTest : public testing::SimMachineTest {
 protected:
  void SetUp() override {
    UseProfile("{" + testprogs::ProgramsMember({{"C:\\Tools\\exit_with.exe", "exit_with"},
                                                 {"C:\\Tools\\write_args.exe", "write_args"},
                                                 {"C:\\Windows\\System32\\cleanmgr.exe", "exit_with"}}) +
               "}");
  }

  std::unique_ptr<Process> Start(const std::wstring& commandLine) {
    ProcessStart start;
    start.commandLine = commandLine;
    start.noWindow = true;
    start.show = 0;
    return StartProcess(start);
  }

  static uint32_t Finish(Process& process) {
    EXPECT_EQ(process.Wait(10000), WaitResult::kSignaled);
    uint32_t code = 0;
    EXPECT_TRUE(process.GetExitCode(&code));
    return code;
  }

  // A copy of a host program inside the sandbox, executable there.
  std::string CopyIntoSandbox(const std::string& hostProgram, const std::string& relativePath) {
    std::ifstream in(hostProgram, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string path = WriteHostFile(relativePath, bytes.str());
    chmod(path.c_str(), 0755);
    return path;
  }
};

TEST_F(ProcessTest, ExitCodesKeepAllThirtyTwoBits) {
  const std::pair<std::wstring, uint32_t> cases[] = {
      {L"0", 0}, {L"255", 255}, {L"256", 256}, {L"3000000000", 3000000000u},
      {L"-1", 0xFFFFFFFFu}, {L"-1073741819", 0xC0000005u}, {L"1603", 1603},
  };
  for (const auto& [arg, expected] : cases) {
    auto process = Start(L"C:\\Tools\\exit_with.exe " + arg);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(Finish(*process), expected) << std::string(arg.begin(), arg.end());
  }
}

TEST_F(ProcessTest, RunningProcessIsStillActiveUntilTerminatedWithItsCode) {
  auto process = Start(L"C:\\Tools\\exit_with 0 20000");  // ".exe" is implied
  ASSERT_NE(process, nullptr);
  uint32_t code = 0;
  ASSERT_TRUE(process->GetExitCode(&code));
  EXPECT_EQ(code, kStillActive);
  EXPECT_EQ(process->Wait(50), WaitResult::kTimeout);

  ASSERT_TRUE(process->Terminate(0xFFFFFFFFu));
  EXPECT_EQ(Finish(*process), 0xFFFFFFFFu);
  EXPECT_FALSE(process->Terminate(1));  // already ended
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
}

TEST_F(ProcessTest, ParametersReachTheProgramSplitByWindowsRules) {
  std::string out = Sandbox() + "/args.txt";
  ShellExecuteRequest request;
  request.file = L"C:\\Tools\\write_args.exe";
  request.parameters = L"\"" + std::wstring(out.begin(), out.end()) + L"\" plain \"two words\" a\\\"q \"end\\\\\"";
  request.wantProcess = true;
  ShellExecuteResult result;
  ASSERT_TRUE(ShellExecuteFile(request, &result));
  ASSERT_NE(result.process, nullptr);
  EXPECT_EQ(Finish(*result.process), 0u);
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "plain\ntwo words\na\"q\nend\\\n");
}

TEST_F(ProcessTest, ProgramsInTheSandboxRunThemselves) {
  // A package downloaded into the sandbox: a real executable ...
  CopyIntoSandbox(testprogs::HostPath("exit_with"), "C/Users/me/Downloads/setup.exe");
  // ... and a script that reports a 32-bit code through the exit-code file
  // (70000 ends in the byte 112).
  std::string script = WriteHostFile("C/pkg/stand in.exe",
                                     "#!/bin/sh\necho 70000 > \"$KIV_SIM_EXIT_CODE_FILE\"\nexit 112\n");
  chmod(script.c_str(), 0755);

  ShellExecuteRequest request;
  request.wantProcess = true;
  ShellExecuteResult result;
  request.file = L"C:\\users\\ME\\downloads\\SETUP.exe";  // case-blind like Windows
  request.parameters = L"42";
  ASSERT_TRUE(ShellExecuteFile(request, &result));
  EXPECT_EQ(Finish(*result.process), 42u);

  request.file = L"C:\\pkg\\stand in.exe";
  request.parameters.clear();
  ASSERT_TRUE(ShellExecuteFile(request, &result));
  EXPECT_EQ(Finish(*result.process), 70000u);
}

TEST_F(ProcessTest, BareNameIsFoundOnThePath) {
  ShellExecuteRequest request;
  request.verb = L"runas";
  request.file = L"cleanmgr";
  request.parameters = L"7";
  request.wantProcess = true;
  ShellExecuteResult result;
  ASSERT_TRUE(ShellExecuteFile(request, &result));
  EXPECT_GT(result.instApp, 32);
  EXPECT_EQ(Finish(*result.process), 7u);
  auto starts = JournalEntries("process_start");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0]["file"], "C:\\Windows\\system32\\cleanmgr.exe");
  EXPECT_EQ(starts[0]["verb"], "runas");
}

TEST_F(ProcessTest, ShellOutcomesWithoutAProcess) {
  WriteHostFile("C/docs/readme.txt", "hello");
  WriteHostFile("C/pkg/broken.exe", "not a program");
  struct Case {
    std::wstring file;
    bool ok;
    uint32_t error;
    bool journaled;
  };
  const Case cases[] = {
      {L"https://example.test/page?a=1", true, kErrorSuccess, true},
      {L"C:\\docs\\readme.txt", true, kErrorSuccess, true},
      {L"C:\\pkg\\missing.exe", false, kErrorFileNotFound, false},
      {L"C:\\pkg\\broken.exe", false, 193, false},  // ERROR_BAD_EXE_FORMAT
      {L"nosuchtool", false, kErrorFileNotFound, false},
  };
  for (const auto& c : cases) {
    size_t before = JournalEntries("shell_open").size();
    ShellExecuteRequest request;
    request.verb = L"open";
    request.file = c.file;
    request.show = 4;
    request.wantProcess = true;
    ShellExecuteResult result;
    SCOPED_TRACE(std::string(c.file.begin(), c.file.end()));
    EXPECT_EQ(ShellExecuteFile(request, &result), c.ok);
    EXPECT_EQ(result.instApp > 32, c.ok);
    EXPECT_EQ(result.process, nullptr);
    if (!c.ok) {
      EXPECT_EQ(GetLastErrorCode(), c.error);
    }
    auto opens = JournalEntries("shell_open");
    ASSERT_EQ(opens.size(), before + (c.journaled ? 1 : 0));
    if (c.journaled) {
      EXPECT_EQ(opens.back()["file"], std::string(c.file.begin(), c.file.end()));
      EXPECT_EQ(opens.back()["verb"], "open");
      EXPECT_EQ(opens.back()["show"], "4");
    }
  }
  EXPECT_TRUE(JournalEntries("process_start").empty());
}

TEST_F(ProcessTest, DeclinedElevationStartsNothing) {
  UseProfile("{\"elevation\": \"decline\", " + testprogs::ProgramsMember({{"C:\\Tools\\exit_with.exe", "exit_with"}}) + "}");
  ShellExecuteRequest request;
  request.verb = L"runas";
  request.file = L"C:\\Tools\\exit_with.exe";
  request.parameters = L"0";
  request.wantProcess = true;
  ShellExecuteResult result;
  EXPECT_FALSE(ShellExecuteFile(request, &result));
  EXPECT_EQ(GetLastErrorCode(), kErrorCancelled);
  EXPECT_LE(result.instApp, 32);
  EXPECT_EQ(result.process, nullptr);
  EXPECT_TRUE(JournalEntries("process_start").empty());

  request.verb = L"open";  // no prompt without elevation
  EXPECT_TRUE(ShellExecuteFile(request, &result));
  EXPECT_EQ(Finish(*result.process), 0u);
}

TEST_F(ProcessTest, SnapshotListsLiveStartedProcessesWithImagePaths) {
  auto process = Start(L"C:\\Tools\\exit_with.exe 0 20000");
  ASSERT_NE(process, nullptr);
  auto find = [](uint32_t id) {
    std::vector<ProcessEntry> entries;
    EXPECT_TRUE(SnapshotProcesses(&entries));
    auto it = std::find_if(entries.begin(), entries.end(), [id](const ProcessEntry& e) { return e.id == id; });
    return it == entries.end() ? std::wstring(L"(absent)") : it->imagePath;
  };
  EXPECT_EQ(find(process->Id()), L"C:\\Tools\\exit_with.exe");
  EXPECT_EQ(find(CurrentProcessId()), L"C:\\Users\\me\\Downloads\\kiv.exe");
  ASSERT_TRUE(process->Terminate(1));
  EXPECT_EQ(Finish(*process), 1u);
  EXPECT_EQ(find(process->Id()), L"(absent)");
}

}  // namespace
}  // namespace platform
