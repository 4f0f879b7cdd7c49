// What the drive primitives do on Windows: the system drive among the roots,
// drive types of roots only, and free space of existing folders only. Runs on
// every backend.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/drives.h"
#include "platform/testing/scratch_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class DrivesContract : public testing::ScratchTest {};

TEST_F(DrivesContract, TypeIsOfRootsOnly) {
  auto roots = GetLogicalDriveRoots();
  EXPECT_NE(std::find(roots.begin(), roots.end(), L"C:\\"), roots.end());
  EXPECT_TRUE(std::is_sorted(roots.begin(), roots.end())) << "roots come in letter order";
  const std::pair<std::wstring, DriveType> cases[] = {
      {L"C:\\", DriveType::kFixed},
      {L"c:\\", DriveType::kFixed},
      {L"Q:\\", DriveType::kNoRootDir},  // no such drive
  };
  for (const auto& [root, type] : cases) {
    EXPECT_EQ(GetDriveTypeOf(root), type) << std::string(root.begin(), root.end());
  }
  if (UnderWine()) GTEST_SKIP() << "Wine gives the type of the path's drive for any path, not only for a root";
  EXPECT_EQ(GetDriveTypeOf(L"C:\\Windows"), DriveType::kNoRootDir) << "a folder, not a root";
}

TEST_F(DrivesContract, FreeSpaceIsReportedForExistingFoldersOnly) {
  uint64_t freeBytes = 0;
  EXPECT_TRUE(GetDiskFreeBytesAvailable(Scratch(), &freeBytes));
  EXPECT_GT(freeBytes, 0u);
  EXPECT_FALSE(GetDiskFreeBytesAvailable(Scratch() + L"No\\Such\\Folder", &freeBytes));
  EXPECT_EQ(GetLastErrorCode(), kErrorPathNotFound);
  EXPECT_FALSE(GetDiskFreeBytesAvailable(L"Q:\\", &freeBytes));
}

}  // namespace
}  // namespace platform
