// Drives of a machine profile: their letters and types, and their quotas:
// files may not grow past them, and the free space reported is what is left
// of them.
#include <sys/statvfs.h>

#include <gtest/gtest.h>

#include "platform/drives.h"
#include "platform/files.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

constexpr uint64_t kMiB = 1 << 20;

class DriveTypesTest : public testing::SimMachineTest {};

TEST_F(DriveTypesTest, RootsComeInLetterOrderWithTheirTypes) {
  UseProfile(R"({"drives": {"F": {"type": "remote"}, "E": {"type": "cdrom"}, "D": {"type": "removable"},
                            "G": {"type": "ramdisk"}}})");
  EXPECT_EQ(GetLogicalDriveRoots(), (std::vector<std::wstring>{L"C:\\", L"D:\\", L"E:\\", L"F:\\", L"G:\\"}));
  const std::pair<std::wstring, DriveType> cases[] = {
      {L"d:\\", DriveType::kRemovable}, {L"E:\\", DriveType::kCdRom}, {L"F:\\", DriveType::kRemote},
      {L"G:\\", DriveType::kRamDisk},
  };
  for (const auto& [root, type] : cases) {
    EXPECT_EQ(GetDriveTypeOf(root), type) << std::string(root.begin(), root.end());
  }
}

class DriveQuotaTest : public testing::SimMachineTest {
 protected:
  void SetUp() override { UseProfile(R"({"drives": {"D": {"type": "fixed", "quota_mb": 5}}})"); }
  static uint64_t FreeOnD() {
    uint64_t freeBytes = 0;
    EXPECT_TRUE(GetDiskFreeBytesAvailable(L"D:\\", &freeBytes));
    return freeBytes;
  }
};

TEST_F(DriveQuotaTest, GrowthPastTheQuotaFailsWithDiskFull) {
  EXPECT_EQ(FreeOnD(), 5 * kMiB);
  auto first = OpenFile(L"D:\\first.bin", kAccessWrite, kShareRead, FileDisposition::kCreateNew);
  ASSERT_TRUE(first);
  ASSERT_TRUE(first->SetSize(4 * kMiB));
  EXPECT_EQ(FreeOnD(), 1 * kMiB);

  auto second = OpenFile(L"D:\\second.bin", kAccessWrite, kShareRead, FileDisposition::kCreateNew);
  ASSERT_TRUE(second);
  EXPECT_FALSE(second->SetSize(2 * kMiB));
  EXPECT_EQ(GetLastErrorCode(), kErrorDiskFull);
  std::string block(kMiB, 'x');
  uint32_t done = 0;
  EXPECT_TRUE(second->WriteAt(0, block.data(), kMiB, &done)) << "exactly the rest fits";
  EXPECT_FALSE(second->WriteAt(kMiB, "y", 1, &done));
  EXPECT_EQ(GetLastErrorCode(), kErrorDiskFull);
  EXPECT_TRUE(first->WriteAt(0, block.data(), kMiB, &done)) << "rewriting allocated space needs nothing new";
  EXPECT_FALSE(WriteWholeFile(L"D:\\third.bin", "z"));
  EXPECT_EQ(GetLastErrorCode(), kErrorDiskFull);

  ASSERT_TRUE(first->SetSize(kMiB));
  EXPECT_EQ(FreeOnD(), 3 * kMiB) << "shrinking gives space back";
  first.reset();
  ASSERT_TRUE(DeleteFileAt(L"D:\\first.bin"));
  EXPECT_EQ(FreeOnD(), 4 * kMiB);
}

TEST_F(DriveQuotaTest, DriveWithoutQuotaReportsTheHostsFreeSpace) {
  struct statvfs fs;
  ASSERT_EQ(statvfs(Sandbox().c_str(), &fs), 0);
  uint64_t host = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
  uint64_t reported = 0;
  ASSERT_TRUE(GetDiskFreeBytesAvailable(L"C:\\", &reported));
  EXPECT_NEAR(static_cast<double>(reported), static_cast<double>(host), 64.0 * kMiB);
}

}  // namespace
}  // namespace platform
