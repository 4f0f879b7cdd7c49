// System facts that hold on any Windows machine: the temporary folder's form,
// the clocks and the cryptographic random source. Runs on every backend.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/environment.h"
#include "platform/system_info.h"
#include "platform/testing/scratch_fixture.h"

namespace platform {
namespace {

class SystemContract : public testing::ScratchTest {};

TEST_F(SystemContract, TempPathIsAFolderEndingInABackslash) {
  std::wstring path;
  uint32_t length = GetTempPathValue(260, &path);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(length, path.size());
  EXPECT_EQ(path.back(), L'\\');
  EXPECT_EQ(path.substr(1, 2), L":\\");

  std::wstring untouched = L"untouched";
  EXPECT_EQ(GetTempPathValue(2, &untouched), length + 1);  // the size needed, terminator included
  EXPECT_EQ(untouched, L"untouched");
}

TEST_F(SystemContract, ClocksTellTheTimeNow) {
  int64_t hostNow = static_cast<int64_t>(std::time(nullptr));
  EXPECT_LE(std::abs(GetUnixTimeNow() - hostNow), 5);
  LocalTime local = GetLocalTimeNow();
  EXPECT_GE(local.year, 2024);
  EXPECT_TRUE(local.month >= 1 && local.month <= 12);
  EXPECT_TRUE(local.day >= 1 && local.day <= 31);
  EXPECT_TRUE(local.hour >= 0 && local.hour <= 23);
  EXPECT_TRUE(local.minute >= 0 && local.minute <= 59);
  EXPECT_TRUE(local.second >= 0 && local.second <= 59);
  EXPECT_TRUE(local.milliseconds >= 0 && local.milliseconds <= 999);
}

TEST_F(SystemContract, CryptoRandomGivesFreshBytesEachTime) {
  unsigned char first[32] = {}, second[32] = {};
  ASSERT_TRUE(FillCryptoRandom(first, sizeof first));
  ASSERT_TRUE(FillCryptoRandom(second, sizeof second));
  EXPECT_NE(std::memcmp(first, second, sizeof first), 0);
}

}  // namespace
}  // namespace platform
