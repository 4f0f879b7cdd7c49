// The running executable, special folders, disks and data folders.
#include "system/folders.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/testing/sim_machine_fixture.h"

namespace {

class FoldersTest : public platform::testing::MachineTest {};

TEST_F(FoldersTest, SelfPathAndFileName) {
  USE_PROFILE(R"({"self_path": "C:\\Users\\me\\Downloads\\setup.exe"})");
  EXPECT_EQ(GetSelfPath(), L"C:\\Users\\me\\Downloads\\setup.exe");
  EXPECT_EQ(GetSelfFileName(), L"setup.exe");
}

TEST_F(FoldersTest, TempFolderEndsInBackslashAndFitsMaxPath) {
  USE_PROFILE(R"({"env": {"TMP": "C:\\T"}})");
  EXPECT_EQ(GetTempFolder(), L"C:\\T\\");
  USE_PROFILE(R"({"env": {"TMP": "C:\\)" + std::string(257, 'x') + R"("}})");  // 260 with its backslash
  EXPECT_EQ(GetTempFolder(), L"");
}

// The environment a 32-bit process sees on 64-bit and on 32-bit Windows.
TEST_F(FoldersTest, ProgramFilesOnSixtyFourAndThirtyTwoBitWindows) {
  USE_PROFILE(R"json({"env": {"PROCESSOR_ARCHITEW6432": "AMD64", "ProgramFiles(x86)": "C:\\Program Files (x86)"}})json");
  std::wstring first;
  std::wstring second = L"untouched";
  EXPECT_TRUE(GetProgramFilesFolders(&first, &second));
  EXPECT_EQ(first, L"C:\\Program Files (x86)\\");
  EXPECT_EQ(second, L"C:\\Program Files\\");

  USE_PROFILE(R"({"env": {"PROCESSOR_ARCHITEW6432": null, "ProgramFiles": "D:\\Apps\\\\"}})");
  second = L"untouched";
  EXPECT_TRUE(GetProgramFilesFolders(&first, &second));
  EXPECT_EQ(first, L"D:\\Apps\\");
  EXPECT_EQ(second, L"untouched");

  USE_PROFILE(R"json({"env": {"PROCESSOR_ARCHITEW6432": "AMD64", "ProgramFiles(x86)": null}})json");
  EXPECT_FALSE(GetProgramFilesFolders(&first, &second));
}

TEST_F(FoldersTest, ProtectedInstallPaths) {
  USE_PROFILE(R"({"env": {"windir": "C:\\Windows"}})");
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
  USE_PROFILE(R"({"env": {"windir": null}})");
  EXPECT_FALSE(IsProtectedInstallPath(L"C:\\Windows"));
}

TEST_F(FoldersTest, WritableFolderProbeLeavesNoFile) {
  const std::wstring target = Scratch() + L"Target";
  ASSERT_TRUE(platform::CreateDirectoryAt(target));
  for (const std::wstring& folder : {target, target + L"\\"}) {
    EXPECT_TRUE(IsFolderWritable(folder)) << folder;
    std::vector<platform::DirEntry> entries;
    ASSERT_TRUE(platform::ListDirectory(target, &entries));
    EXPECT_TRUE(entries.empty());
  }
  EXPECT_FALSE(IsFolderWritable(Scratch() + L"Missing"));
  EXPECT_FALSE(IsFolderWritable(L""));
}

TEST_F(FoldersTest, FolderChainCreatesEveryPrefixEndingAtABackslash) {
  const std::wstring base = Scratch();
  EXPECT_TRUE(CreateFolderChain(base + L"a\\b\\c\\file-part"));
  EXPECT_TRUE(platform::DirectoryExists(base + L"a\\b\\c"));
  EXPECT_FALSE(platform::DirectoryExists(base + L"a\\b\\c\\file-part"));
  EXPECT_TRUE(CreateFolderChain(base + L"a\\b\\"));  // existing folders are fine
  EXPECT_FALSE(CreateFolderChain(L"Q:\\no-such-drive\\"));
  ASSERT_TRUE(platform::WriteWholeFile(base + L"blocker", "x"));
  EXPECT_FALSE(CreateFolderChain(base + L"blocker\\sub\\"));
}

TEST_F(FoldersTest, DataFoldersAreCreatedWithTheirDefaultName) {
  USE_PROFILE(R"({"self_path": "C:\\Dl\\kiv.exe", "env": {"TMP": "C:\\Tmp\\"},
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
  USE_PROFILE(R"({"folders": {"common_documents": ""}})");
  EXPECT_EQ(GetPublicDataFolder(L""), L"");
}

TEST_F(FoldersTest, DrivesFixedOnesAndFreeSpace) {
  USE_PROFILE(R"({"drives": {"C": {"type": "fixed", "quota_mb": 64}, "D": {"type": "removable"},
                            "E": {"type": "fixed"}}})");
  EXPECT_EQ(ListFixedDrives(), (std::vector<std::wstring>{L"C:\\", L"E:\\"}));
  uint64_t free = GetDiskFreeBytes(L"C:\\Users");
  EXPECT_GT(free, 0u);
  EXPECT_LE(free, 64u * 1024 * 1024);
  EXPECT_EQ(GetDiskFreeBytes(L"Q:\\"), 0u);
}

}  // namespace
