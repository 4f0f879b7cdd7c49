// System facts come from the machine profile, with the host's real figures
// where the profile leaves them open.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "platform/system_info.h"
#include "platform/testing/sim_machine_fixture.h"

namespace platform {
namespace {

class SystemInfoTest : public testing::SimMachineTest {};

TEST_F(SystemInfoTest, BitnessAndVersionCallsFollowTheProfile) {
  UseProfile(R"({"os": {"bits": 32, "wow64": false, "major": 6, "minor": 1, "build": 7601,
                        "rtl_version": false}})");
  EXPECT_EQ(GetNativeProcessorArchitecture(), ProcessorArchitecture::kIntel);
  Wow64Answer wow64 = QueryWow64Process();
  EXPECT_TRUE(wow64.callExists && wow64.succeeded);
  EXPECT_FALSE(wow64.isWow64);
  OsVersionNumbers version;
  EXPECT_FALSE(GetNtVersionNumbers(&version));
  ASSERT_TRUE(GetVersionInformation(&version));
  EXPECT_EQ(version.major, 6u);
  EXPECT_EQ(version.minor, 1u);
  EXPECT_EQ(version.build, 7601u);

  UseProfile(R"({"os": {"version_info": false}})");
  EXPECT_EQ(GetNativeProcessorArchitecture(), ProcessorArchitecture::kAmd64);
  EXPECT_TRUE(QueryWow64Process().isWow64);
  EXPECT_FALSE(GetVersionInformation(&version));
  ASSERT_TRUE(GetNtVersionNumbers(&version));
  EXPECT_EQ(version.major, 10u);
}

TEST_F(SystemInfoTest, LocalTimeIsUtcMinusTheProfileBias) {
  UseProfile(R"({"locale": {"time_zone_bias": -480}})");
  EXPECT_EQ(GetTimeZoneBiasMinutes(), -480);
  time_t before = time(nullptr);
  LocalTime local = GetLocalTimeNow();
  time_t after = time(nullptr);
  auto matches = [&](time_t utc) {
    time_t shifted = utc + 8 * 3600;
    struct tm expected = {};
    gmtime_r(&shifted, &expected);
    return local.year == expected.tm_year + 1900 && local.month == expected.tm_mon + 1 &&
           local.day == expected.tm_mday && local.hour == expected.tm_hour && local.minute == expected.tm_min &&
           local.second == expected.tm_sec;
  };
  EXPECT_TRUE(matches(before) || matches(after));
  EXPECT_GE(GetUnixTimeNow(), before);
}

TEST_F(SystemInfoTest, AvailableMemoryFromProfileElseFromTheHost) {
  UseProfile(R"({"memory": {"available_mb": 300}})");
  uint64_t bytes = 0;
  ASSERT_TRUE(GetAvailablePhysicalMemory(&bytes));
  EXPECT_EQ(bytes, 300ull * 1024 * 1024);
  UseProfile("{}");
  ASSERT_TRUE(GetAvailablePhysicalMemory(&bytes));
  EXPECT_GT(bytes, 0u);
  EXPECT_NE(bytes, 300ull * 1024 * 1024);
}

TEST_F(SystemInfoTest, CryptoRandomFillsOrFailsLeavingTheBufferAlone) {
  unsigned char first[16] = {};
  unsigned char second[16] = {};
  ASSERT_TRUE(FillCryptoRandom(first, sizeof first));
  ASSERT_TRUE(FillCryptoRandom(second, sizeof second));
  EXPECT_NE(memcmp(first, second, sizeof first), 0);

  UseProfile(R"({"random_fails": true})");
  unsigned char untouched[16] = {};
  EXPECT_FALSE(FillCryptoRandom(untouched, sizeof untouched));
  EXPECT_EQ(untouched[0] | untouched[7] | untouched[15], 0);
}

TEST_F(SystemInfoTest, ShellUserFolderPrefersItsOwnProfileMember) {
  UseProfile(R"({"folders": {"shell_user_local_appdata": "C:\\Users\\desk\\AppData\\Local"}})");
  EXPECT_EQ(GetShellUserLocalAppDataPath(), L"C:\\Users\\desk\\AppData\\Local");
  UseProfile("{}");
  EXPECT_EQ(GetShellUserLocalAppDataPath(), L"C:\\Users\\me\\AppData\\Local");
  UseProfile(R"({"folders": {"shell_user_local_appdata": ""}})");  // the shell's token can not be had
  EXPECT_EQ(GetShellUserLocalAppDataPath(), L"");
}

}  // namespace
}  // namespace platform
