// The running executable, special folders, disks and data folders.
#include "system/folders.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/testing/sim_machine_fixture.h"

namespace {

class FoldersTest : public platform::testing::SimMachineTest {};

TEST_F(FoldersTest, SelfPathAndFileName) {
  UseProfile(R"({"self_path": "C:\\Users\\me\\Downloads\\setup.exe"})");
  EXPECT_EQ(GetSelfPath(), L"C:\\Users\\me\\Downloads\\setup.exe");
  EXPECT_EQ(GetSelfFileName(), L"setup.exe");
}

TEST_F(FoldersTest, TempFolderEndsInBackslashAndFitsMaxPath) {
  UseProfile(R"({"env": {"TMP": "C:\\T"}})");
  EXPECT_EQ(GetTempFolder(), L"C:\\T\\");
  UseProfile(R"({"env": {"TMP": "C:\\)" + std::string(257, 'x') + R"("}})");  // 260 with its backslash
  EXPECT_EQ(GetTempFolder(), L"");
}

TEST_F(FoldersTest, ProgramFilesOnSixtyFourAndThirtyTwoBitWindows) {
  std::wstring first;
  std::wstring second = L"untouched";
  EXPECT_TRUE(GetProgramFilesFolders(&first, &second));
  EXPECT_EQ(first, L"C:\\Program Files (x86)\\");
  EXPECT_EQ(second, L"C:\\Program Files\\");

  UseProfile(R"({"os": {"bits": 32, "wow64": false}, "env": {"ProgramFiles": "D:\\Apps\\\\"}})");
  second = L"untouched";
  EXPECT_TRUE(GetProgramFilesFolders(&first, &second));
  EXPECT_EQ(first, L"D:\\Apps\\");
  EXPECT_EQ(second, L"untouched");

  UseProfile(R"json({"env": {"ProgramFiles(x86)": null}})json");
  EXPECT_FALSE(GetProgramFilesFolders(&first, &second));
}

TEST_F(FoldersTest, ProtectedInstallPaths) {
  struct Case {
    const wchar_t* folder;
    bool expected;
  } cases[] = {
      {L"C:\\Program Files", true},           {L"C:\\Program Files (x86)\\Acme", true},
      {L"C:\\Windows\\Temp", true},           {L"C:\\Windows", true},
      {L"D:\\Program Files\\App", false},     {L"C:\\Program Files Extra", false},
      {L"C:\\program files\\App", false},     {L"C:\\WindowsApps", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsProtectedInstallPath(c.folder), c.expected) << c.folder;
  UseProfile(R"({"env": {"windir": null}})");
  EXPECT_FALSE(IsProtectedInstallPath(L"C:\\Windows"));
}

TEST_F(FoldersTest, WritableFolderProbeLeavesNoFile) {
  ASSERT_TRUE(platform::CreateDirectoryAt(L"C:\\Target"));
  for (const wchar_t* folder : {L"C:\\Target", L"C:\\Target\\"}) {
    EXPECT_TRUE(IsFolderWritable(folder)) << folder;
    std::vector<platform::DirEntry> entries;
    ASSERT_TRUE(platform::ListDirectory(L"C:\\Target", &entries));
    EXPECT_TRUE(entries.empty());
  }
  EXPECT_FALSE(IsFolderWritable(L"C:\\Missing"));
  EXPECT_FALSE(IsFolderWritable(L""));
}

TEST_F(FoldersTest, FolderChainCreatesEveryPrefixEndingAtABackslash) {
  EXPECT_TRUE(CreateFolderChain(L"C:\\a\\b\\c\\file-part"));
  EXPECT_TRUE(platform::DirectoryExists(L"C:\\a\\b\\c"));
  EXPECT_FALSE(platform::DirectoryExists(L"C:\\a\\b\\c\\file-part"));
  EXPECT_TRUE(CreateFolderChain(L"C:\\a\\b\\"));  // existing folders are fine
  EXPECT_FALSE(CreateFolderChain(L"Q:\\no-such-drive\\"));
  ASSERT_TRUE(platform::WriteWholeFile(L"C:\\blocker", "x"));
  EXPECT_FALSE(CreateFolderChain(L"C:\\blocker\\sub\\"));
}

TEST_F(FoldersTest, DataFoldersAreCreatedWithTheirDefaultName) {
  UseProfile(R"({"self_path": "C:\\Dl\\kiv.exe", "env": {"TMP": "C:\\Tmp\\"},
                 "folders": {"common_documents": "C:\\Users\\Public\\Documents"}})");
  struct Case {
    std::wstring folder;
    const wchar_t* expected;
  } cases[] = {
      {GetPublicDataFolder(L""), L"C:\\Users\\Public\\Documents\\Tarnwick\\"},
      {GetPublicDataFolder(L"Sub"), L"C:\\Users\\Public\\Documents\\Sub\\"},
      {GetTempDataFolder(L""), L"C:\\Tmp\\Tarnwick\\"},
      {GetSelfDataFolder(L"Data"), L"C:\\Dl\\Data\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.folder, c.expected);
    EXPECT_TRUE(platform::DirectoryExists(c.folder.substr(0, c.folder.size() - 1))) << c.expected;
  }
  UseProfile(R"({"folders": {"common_documents": ""}})");
  EXPECT_EQ(GetPublicDataFolder(L""), L"");
}

TEST_F(FoldersTest, DrivesFixedOnesAndFreeSpace) {
  UseProfile(R"({"drives": {"C": {"type": "fixed", "quota_mb": 64}, "D": {"type": "removable"},
                            "E": {"type": "fixed"}}})");
  EXPECT_EQ(ListFixedDrives(), (std::vector<std::wstring>{L"C:\\", L"E:\\"}));
  uint64_t free = GetDiskFreeBytes(L"C:\\Users");
  EXPECT_GT(free, 0u);
  EXPECT_LE(free, 64u * 1024 * 1024);
  EXPECT_EQ(GetDiskFreeBytes(L"Q:\\"), 0u);
}

}  // namespace
