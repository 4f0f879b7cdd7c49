#include "manager/save_folder.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/folders.h"

namespace {

// Two fixed drives and a removable one; Windows lives on C:.
constexpr const char* kTwoDisks = R"({"drives": {
  "C": {"type": "fixed", "quota_mb": 100},
  "D": {"type": "fixed", "quota_mb": 300},
  "E": {"type": "removable", "quota_mb": 900}}})";

// Every test here needs drives of given sizes.
class SaveFolderTest : public platform::testing::MachineTest {
 protected:
  void SetUp() override { UseProfile(kTwoDisks); }
};

TEST_F(SaveFolderTest, AnEarlierRunsFolderIsReusedBeforeTheEmptiestDisk) {
  ASSERT_TRUE(CreateFolderChain(L"C:\\Tarnwick\\Download\\"));
  EXPECT_EQ(SelectDownloadFolder(L"Tarnwick", false), L"C:\\Tarnwick\\Download\\");
  // preferMaxFree skips the reuse rule.
  EXPECT_EQ(SelectDownloadFolder(L"Tarnwick", true), L"D:\\Tarnwick\\Download\\");
}

TEST_F(SaveFolderTest, TheEmptiestFixedDiskIsChosenAndCreated) {
  EXPECT_EQ(SelectDownloadFolder(L"Tarnwick", false), L"D:\\Tarnwick\\Download\\");
  EXPECT_TRUE(platform::DirectoryExists(L"D:\\Tarnwick\\Download"));
  EXPECT_EQ(GetMaxFreeDiskFolder(L""), L"D:\\Download\\");
}

TEST_F(SaveFolderTest, OnTheWindowsDiskThePublicDocumentsFolderIsUsed) {
  USE_PROFILE(R"({"drives": {"C": {"type": "fixed", "quota_mb": 900}, "D": {"type": "fixed", "quota_mb": 10}}})");
  EXPECT_EQ(GetMaxFreeDiskFolder(L"Tarnwick"), L"C:\\Users\\Public\\Documents\\Tarnwick\\");
  EXPECT_TRUE(platform::DirectoryExists(L"C:\\Users\\Public\\Documents\\Tarnwick"));
}

TEST_F(SaveFolderTest, AnUnusableFolderFallsBackToTheExecutablesFolder) {
  // A file where the brand folder should be: the chain can not be created.
  ASSERT_TRUE(platform::WriteWholeFile(L"D:\\Tarnwick", "in the way"));
  EXPECT_EQ(SelectDownloadFolder(L"Tarnwick", false), L"C:\\Users\\me\\Downloads\\Tarnwick\\");
}

TEST_F(SaveFolderTest, CustomInstallPathRules) {
  USE_PROFILE(R"({"folders": {"shell_user_local_appdata": "C:\\Users\\desk\\AppData\\Local"}})");
  EXPECT_EQ(ResolveCustomInstallPath(L"", L"%LOCALAPPDATA%", L"Tarnwick", 10527), L"C:\\Users\\desk\\AppData\\Local");
  EXPECT_EQ(ResolveCustomInstallPath(L"", L"C:\\Apps\\", L"Tarnwick", 10527), L"C:\\Apps\\");
  EXPECT_EQ(ResolveCustomInstallPath(L"C:\\Server\\", L"C:\\Apps\\", L"Tarnwick", 10527), L"C:\\Server\\");
  // A drive the machine lacks and no earlier installation: nothing.
  EXPECT_EQ(ResolveCustomInstallPath(L"", L"Q:\\Apps\\", L"Tarnwick", 10527), L"");

  std::unique_ptr<platform::RegKey> key;
  ASSERT_EQ(platform::OpenRegKey(platform::RegRoot::kLocalMachine, L"Software\\Tarnwick\\Inkwell",
                                 platform::kRegAll, platform::RegView::kDefault, true, &key), 0u);
  key->SetValue(L"PID", platform::MakeRegDword(10527));
  key->SetValue(L"InstallInfo", platform::MakeRegSz(L"x"));
  key->SetValue(L"InstallPath", platform::MakeRegSz(L"D:\\Programs\\Tarnwick\\Inkwell\\"));
  EXPECT_EQ(ResolveCustomInstallPath(L"", L"Q:\\Apps\\", L"Tarnwick", 10527), L"D:\\Programs\\");
  EXPECT_EQ(ResolveCustomInstallPath(L"", L"", L"Other", 10527), L"");
}

}  // namespace
