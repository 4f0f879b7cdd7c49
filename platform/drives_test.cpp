// Contract of the drive primitives against a machine with several drives.
#include "platform/drives.h"

#include <gtest/gtest.h>

#include "platform/testing/sim_machine_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class DrivesTest : public testing::SimMachineTest {
 protected:
  void SetUp() override {
    UseProfile(R"({"drives": {"F": {"type": "remote"}, "E": {"type": "cdrom"}, "D": {"type": "removable"},
                              "G": {"type": "ramdisk"}}})");
  }
};

TEST_F(DrivesTest, RootsComeInLetterOrderWithTheirTypes) {
  EXPECT_EQ(GetLogicalDriveRoots(), (std::vector<std::wstring>{L"C:\\", L"D:\\", L"E:\\", L"F:\\", L"G:\\"}));
  const std::pair<std::wstring, DriveType> cases[] = {
      {L"C:\\", DriveType::kFixed},     {L"d:\\", DriveType::kRemovable},     {L"E:\\", DriveType::kCdRom},
      {L"F:\\", DriveType::kRemote},    {L"G:\\", DriveType::kRamDisk},       {L"Q:\\", DriveType::kNoRootDir},
      {L"C:\\Windows", DriveType::kNoRootDir},
  };
  for (const auto& [root, type] : cases) {
    EXPECT_EQ(GetDriveTypeOf(root), type) << std::string(root.begin(), root.end());
  }
}

TEST_F(DrivesTest, FreeSpaceIsReportedForExistingFoldersOnly) {
  uint64_t freeBytes = 0;
  EXPECT_TRUE(GetDiskFreeBytesAvailable(L"C:\\Windows", &freeBytes));
  EXPECT_GT(freeBytes, 0u);
  EXPECT_FALSE(GetDiskFreeBytesAvailable(L"C:\\No\\Such\\Folder", &freeBytes));
  EXPECT_EQ(GetLastErrorCode(), kErrorPathNotFound);
  EXPECT_FALSE(GetDiskFreeBytesAvailable(L"Q:\\", &freeBytes));
}

}  // namespace
}  // namespace platform
