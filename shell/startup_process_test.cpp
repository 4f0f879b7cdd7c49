// The installer started as a real process, on the simulated machine and
// under Wine alike: which log it writes, what it reads, and how copies of
// it exclude each other. The log goes to the test's scratch folder (TMP).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/semaphore.h"
#include "platform/testing/scratch_fixture.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/text_convert.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const std::wstring kProduct = L"Tarnwick Inkwell";  // the embedded demo product

class StartupProcessTest : public platform::testing::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();  // the machine the scratch folder lies on
    const std::string temp = platform::testing::JsonQuoted(WideToUtf8(Scratch()));
    UseProfile(R"({"env": {"TMP": )" + temp + R"(, "TEMP": )" + temp + "}}");
    program_ = platform::testing::TestProgramIn(KIV_SHELL_DIR, "kiv", Scratch());
  }
  // Runs the installer with `arguments` after removing its logs; its exit code.
  int Start(const std::wstring& arguments) {
    for (const wchar_t* name : {L"twKIV.log", L"twForkKIV.log"}) platform::DeleteFileAt(LogPath(name));
    platform::ProcessStart start;
    start.commandLine = L"\"" + program_ + L"\" " + arguments;
    start.noWindow = true;
    start.show = 0;
    std::unique_ptr<platform::Process> process = platform::StartProcess(start);
    EXPECT_TRUE(process);
    if (!process) return 1000;
    EXPECT_EQ(process->Wait(60000), platform::WaitResult::kSignaled);
    uint32_t code = 0;
    EXPECT_TRUE(process->GetExitCode(&code));
    return static_cast<int>(code);
  }
  std::wstring LogPath(const wchar_t* name) { return Scratch() + L"Tarnwick\\KIV\\" + name; }
  std::string LogText(const wchar_t* name) {
    std::string text;
    platform::ReadWholeFile(LogPath(name), &text);
    return text;
  }
  std::wstring program_;
};

TEST_F(StartupProcessTest, ForkModeTakesTheHostValuesAndItsOwnLog) {
  EXPECT_EQ(Start(L"OnlyForkInstallDependent=1 HostLang=Deutsch HostVersion=4.3.1 HostHwnd=1312"), 0);
  std::string log = LogText(L"twForkKIV.log");
  EXPECT_THAT(log, HasSubstr("[INFO] start, fork=[1]."));
  EXPECT_THAT(log, HasSubstr("[INFO] set host hwnd=[520]."));
  // The host's language wins over a language the run configuration file kept.
  size_t read = log.find("[INFO] ReadRunConfig");
  size_t lang = log.find("[INFO] set select lang=[Deutsch].");
  ASSERT_NE(read, std::string::npos);
  ASSERT_NE(lang, std::string::npos);
  EXPECT_LT(read, lang);
  EXPECT_THAT(log, HasSubstr("[INFO] loadLangXML"));
  EXPECT_THAT(log, HasSubstr("[INFO] exit!"));
  EXPECT_FALSE(platform::FileExists(LogPath(L"twKIV.log")));
}

TEST_F(StartupProcessTest, OnlyTheExactValueOneSelectsForkMode) {
  for (const wchar_t* args : {L"OnlyForkInstallDependent=0", L"OnlyForkInstallDependent=true",
                              L"OnlyForkInstallDependent", L"onlyforkinstalldependent=1"}) {
    SCOPED_TRACE(WideToUtf8(args));
    EXPECT_EQ(Start(args), 0);
    EXPECT_THAT(LogText(L"twKIV.log"), HasSubstr("[INFO] start, fork=[0]."));
    EXPECT_FALSE(platform::FileExists(LogPath(L"twForkKIV.log")));
  }
}

TEST_F(StartupProcessTest, AnEmptyOrForeignHostHwndLeavesNoHostWindow) {
  EXPECT_EQ(Start(L"OnlyForkInstallDependent=1 HostHwnd="), 0);
  EXPECT_THAT(LogText(L"twForkKIV.log"), Not(HasSubstr("host hwnd")));
  EXPECT_EQ(Start(L"OnlyForkInstallDependent=1 HostHwnd=0x1F"), 0);
  std::string log = LogText(L"twForkKIV.log");
  EXPECT_THAT(log, HasSubstr("[WARN] host hwnd=[0x1F] is not a window handle, ignored."));
  EXPECT_THAT(log, Not(HasSubstr("set host hwnd")));
}

TEST_F(StartupProcessTest, ForkCopiesExcludeEachOtherButNotTheNormalCopy) {
  bool existed = true;
  auto normal = platform::CreateNamedSemaphore(kProduct + L"_kiv", 1, 1, &existed);
  ASSERT_TRUE(normal);
  ASSERT_FALSE(existed) << "another copy of the demo product runs on this machine";
  EXPECT_EQ(Start(L"OnlyForkInstallDependent=1"), 0);

  auto fork = platform::CreateNamedSemaphore(kProduct + L"_kiv_fork", 1, 1, &existed);
  ASSERT_TRUE(fork);
  ASSERT_FALSE(existed);
  EXPECT_EQ(Start(L"OnlyForkInstallDependent=1"), -1);
  EXPECT_THAT(LogText(L"twForkKIV.log"), HasSubstr("[WARN] Already exist PreInstance."));
}

}  // namespace
