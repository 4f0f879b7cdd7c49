// What process primitives do on Windows: 32-bit exit codes through
// CreateProcess and ShellExecuteEx, termination with a chosen code, and how
// a command-line tail reaches the program. Runs on every backend with the
// test programs exit_with and write_args.
#include <gtest/gtest.h>

#include <cwchar>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/testing/scratch_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class ProcessContract : public testing::ScratchTest {
 protected:
  static uint32_t Finish(Process& process) {
    EXPECT_EQ(process.Wait(20000), WaitResult::kSignaled);
    uint32_t code = 0;
    EXPECT_TRUE(process.GetExitCode(&code));
    return code;
  }
  std::unique_ptr<Process> Shell(const std::wstring& file, const std::wstring& parameters) {
    ShellExecuteRequest request;
    request.file = file;
    request.parameters = parameters;
    request.show = 0;
    request.wantProcess = true;
    ShellExecuteResult result;
    EXPECT_TRUE(ShellExecuteFile(request, &result)) << GetLastErrorCode();
    EXPECT_GT(result.instApp, 32);
    return std::move(result.process);
  }
  static std::unique_ptr<Process> Create(const std::wstring& commandLine) {
    ProcessStart start;
    start.commandLine = commandLine;
    start.noWindow = true;
    start.show = 0;
    return StartProcess(start);
  }
};

TEST_F(ProcessContract, ExitCodesKeepAllThirtyTwoBits) {
  const std::wstring program = TestProgram("exit_with");
  const std::pair<const wchar_t*, uint32_t> cases[] = {
      {L"0", 0}, {L"1", 1}, {L"259", kStillActive}, {L"3000000000", 3000000000u}, {L"-1", 0xFFFFFFFFu},
  };
  for (const auto& [arg, expected] : cases) {
    SCOPED_TRACE(std::string(arg, arg + wcslen(arg)));
    auto created = Create(L"\"" + program + L"\" " + arg);
    ASSERT_TRUE(created) << GetLastErrorCode();
    EXPECT_EQ(Finish(*created), expected) << "CreateProcess";
    auto shelled = Shell(program, arg);
    ASSERT_TRUE(shelled);
    EXPECT_EQ(Finish(*shelled), expected) << "ShellExecuteEx";
  }
}

TEST_F(ProcessContract, HiddenRunPastItsLimitIsEndedWithTheCodeGiven) {
  auto process = Create(L"\"" + TestProgram("exit_with") + L"\" 0 30000");
  ASSERT_TRUE(process);
  EXPECT_EQ(process->Wait(200), WaitResult::kTimeout);
  uint32_t code = 0;
  ASSERT_TRUE(process->GetExitCode(&code));
  EXPECT_EQ(code, kStillActive);
  ASSERT_TRUE(process->Terminate(0xC0DE));
  EXPECT_EQ(Finish(*process), 0xC0DEu);
  EXPECT_FALSE(process->Terminate(1));
  EXPECT_EQ(GetLastErrorCode(), kErrorAccessDenied);
}

TEST_F(ProcessContract, ParametersReachTheProgramSplitByTheWindowsRules) {
  const std::wstring out = Scratch() + L"args.txt";
  struct Case {
    const wchar_t* parameters;
    const char* lines;
  };
  const Case cases[] = {
      {L"plain \"two words\"", "plain\ntwo words\n"},
      {L"C:\\dir\\file a\\\"q", "C:\\dir\\file\na\"q\n"},       // backslashes are literal unless before a quote
      {L"\"end\\\\\" x\\\\\\\"y", "end\\\nx\\\"y\n"},            // 2n: n and a quote that groups; 2n+1: n and a quote
      {L"\"C:\\Program Files\\App\\\\\"", "C:\\Program Files\\App\\\n"},
  };
  for (const auto& c : cases) {
    std::wstring parameters = c.parameters;
    SCOPED_TRACE(std::string(parameters.begin(), parameters.end()));
    DeleteFileAt(out);
    auto process = Shell(TestProgram("write_args"), L"\"" + ProgramSidePath(out) + L"\" " + parameters);
    ASSERT_TRUE(process);
    EXPECT_EQ(Finish(*process), 0u);
    std::string lines;
    EXPECT_TRUE(ReadWholeFile(out, &lines));
    EXPECT_EQ(lines, c.lines);
  }
}

}  // namespace
}  // namespace platform
