#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

#include "manager/kiv_mgr.h"
#include "platform/files.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/simple_log.h"
#include "system/text_convert.h"

namespace {

using ::testing::HasSubstr;

// A manager whose run configuration file lies in the test's scratch folder,
// with a log of its own.
class RunConfigTest : public platform::testing::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    logFile_ = WideToAnsi(Scratch()) + "twKIV.log";
    logger_ = std::make_unique<simpleLog>(logFile_);
    logger_->Open();
    InstallLogger(logger_.get());
    path_ = Scratch() + L"KIV_DOWNTASK_10527.xml";
  }
  void TearDown() override {
    InstallLogger(nullptr);
    MachineTest::TearDown();
  }
  std::unique_ptr<KivMgr> Manager(bool forkMode = false) {
    auto mgr = std::make_unique<KivMgr>();
    mgr->runConfigPath = path_;
    mgr->forkMode = forkMode;
    return mgr;
  }
  std::string LogText() {
    std::string text;
    platform::ReadWholeFile(AnsiToWide(logFile_), &text);
    return text;
  }
  void ExpectFirstRun(const KivMgr& mgr) {
    EXPECT_FALSE(mgr.resumeFlag);
    EXPECT_EQ(mgr.runConfig.Status, L"0");
    EXPECT_EQ(mgr.runConfig.AgreeExtInstall, L"1");
    EXPECT_EQ(mgr.runConfig.SelectLang, L"");
  }
  std::string logFile_;
  std::unique_ptr<simpleLog> logger_;
  std::wstring path_;
};

TEST_F(RunConfigTest, AnInterruptedRunIsResumedByTheNextStart) {
  auto first = Manager();
  first->ReadRunConfig();
  ExpectFirstRun(*first);
  first->runConfig.Status = L"1";
  first->runConfig.SelectLang = L"Deutsch";
  first->runConfig.InstallPath = L"D:\\Tools & \"Apps\"\\";
  first->runConfig.AgreeExtInstall = L"";
  first->WriteRunConfig();
  EXPECT_FALSE(platform::FileExists(path_ + L".tmp"));

  auto second = Manager();
  second->ReadRunConfig();
  EXPECT_TRUE(second->resumeFlag);
  EXPECT_EQ(second->runConfig.SelectLang, L"Deutsch");
  EXPECT_EQ(second->runConfig.InstallPath, L"D:\\Tools & \"Apps\"\\");
  EXPECT_EQ(second->runConfig.AgreeExtInstall, L"");

  second->DeleteRunConfig();
  EXPECT_FALSE(second->resumeFlag);
  EXPECT_FALSE(platform::FileExists(path_));
  auto third = Manager();
  third->ReadRunConfig();
  ExpectFirstRun(*third);

  std::string log = LogText();
  EXPECT_THAT(log, HasSubstr("[INFO] ReadRunConfig"));
  EXPECT_THAT(log, HasSubstr("[INFO] WriteRunConfig"));
}

TEST_F(RunConfigTest, ForkModeReadsButNeverWritesOrDeletes) {
  ASSERT_TRUE(platform::WriteWholeFile(path_, "<config><Status>1</Status><SelectLang>English</SelectLang></config>"));
  auto fork = Manager(true);
  fork->ReadRunConfig();
  EXPECT_TRUE(fork->resumeFlag);
  EXPECT_EQ(fork->runConfig.SelectLang, L"English");
  fork->runConfig.SelectLang = L"Svenska";
  fork->WriteRunConfig();
  fork->DeleteRunConfig();
  EXPECT_FALSE(fork->resumeFlag);
  std::string bytes;
  ASSERT_TRUE(platform::ReadWholeFile(path_, &bytes));
  EXPECT_THAT(bytes, HasSubstr("English"));
  EXPECT_THAT(LogText(), ::testing::Not(HasSubstr("WriteRunConfig")));
}

TEST_F(RunConfigTest, WithoutAPathNothingIsReadOrWritten) {
  auto mgr = Manager();
  mgr->runConfigPath.clear();
  mgr->runConfig.Status = L"1";
  mgr->ReadRunConfig();
  EXPECT_FALSE(mgr->resumeFlag);  // nothing at all was done, not even the flag
  mgr->WriteRunConfig();
  mgr->DeleteRunConfig();
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(platform::ListDirectory(Scratch(), &entries));
  for (const auto& entry : entries) EXPECT_THAT(WideToUtf8(entry.name), ::testing::Not(HasSubstr("KIV_DOWNTASK")));
}

TEST_F(RunConfigTest, UnreadableFilesReadAsNoPreviousRun) {
  const std::string oversized = "<config><Status>1</Status>" + std::string(2 << 20, ' ') + "</config>";
  for (const std::string& bytes : {std::string("<config><Status>1</Sta"), std::string("\xFF\xFE<\0c\0", 6), oversized}) {
    ASSERT_TRUE(platform::WriteWholeFile(path_, bytes));
    auto mgr = Manager();
    mgr->ReadRunConfig();
    ExpectFirstRun(*mgr);
  }
  EXPECT_THAT(LogText(), HasSubstr("[WARN] ReadRunConfig, file unreadable"));
  EXPECT_THAT(LogText(), HasSubstr("[WARN] ReadRunConfig, file not read, err=[223]"));
}

TEST_F(RunConfigTest, AFailedWriteKeepsThePreviousFileAndTheValues) {
  auto mgr = Manager();
  mgr->runConfig.Status = L"1";
  mgr->WriteRunConfig();
  // A folder where the partial file would go makes the next write fail.
  ASSERT_TRUE(platform::CreateDirectoryAt(path_ + L".tmp"));
  mgr->runConfig.SelectLang = L"日本語";
  mgr->WriteRunConfig();
  EXPECT_EQ(mgr->runConfig.SelectLang, L"日本語");
  EXPECT_THAT(LogText(), HasSubstr("[WARN] WriteRunConfig failed"));
  auto next = Manager();
  next->ReadRunConfig();
  EXPECT_TRUE(next->resumeFlag);
  EXPECT_EQ(next->runConfig.SelectLang, L"");
  platform::RemoveDirectoryAt(path_ + L".tmp");
}

}  // namespace
