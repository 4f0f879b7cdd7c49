// Windows version, bitness, browser version, display language and clock.
#include "system/os_info.h"

#include <gtest/gtest.h>

#include <ctime>

#include "platform/testing/sim_machine_fixture.h"

namespace {

class OsInfoTest : public platform::testing::MachineTest {};

TEST_F(OsInfoTest, BitnessOfSixtyFourBitWindows) {
  USE_PROFILE(R"({"os": {"bits": 64, "wow64": true}})");
  EXPECT_TRUE(IsWow64());
  EXPECT_EQ(GetOsBits(), 64);
}

TEST_F(OsInfoTest, BitnessOfThirtyTwoBitWindows) {
  USE_PROFILE(R"({"os": {"bits": 32, "wow64": false}})");
  EXPECT_FALSE(IsWow64());
  EXPECT_EQ(GetOsBits(), 32);
}

TEST_F(OsInfoTest, VersionNumbersFallBackFromKernelToVersionCall) {
  struct Case {
    const char* os;
    const char* numbers;
    const char* full;
  } cases[] = {
      {R"({"major": 10, "minor": 0, "build": 22631})", "10.0", "10.0.22631"},
      {R"({"major": 6, "minor": 1, "build": 7601, "rtl_version": false})", "6.1", "6.1.7601"},
      {R"({"major": 6, "minor": 1, "rtl_version": false, "version_info": false})", "0.0", ""},
      {R"({"major": 6, "minor": 3, "version_info": false})", "6.3", ""},
  };
  for (const Case& c : cases) {
    USE_PROFILE(std::string(R"({"os": )") + c.os + "}");
    EXPECT_EQ(GetOsVersionNumbers(), c.numbers) << c.os;
    EXPECT_EQ(GetOsVersionString(), c.full) << c.os;
  }
}

TEST_F(OsInfoTest, BrowserVersionFromTheThirtyTwoBitViewOfSixtyFourBitWindows) {
  USE_PROFILE(R"({"registry": {"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Internet Explorer": {"Version": "9.11.19041.0"},
                              "HKLM\\SOFTWARE\\Microsoft\\Internet Explorer": {"Version": "11.0"}}})");
  EXPECT_EQ(GetIeVersion(), L"9.11.19041.0");
  USE_PROFILE(R"({"registry": {"HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Internet Explorer": {"Version": ""},
                              "HKLM\\SOFTWARE\\Microsoft\\Internet Explorer": {"Version": "11.0"}}})");
  EXPECT_EQ(GetIeVersion(), L"-");
}

TEST_F(OsInfoTest, BrowserVersionOnThirtyTwoBitWindows) {
  USE_PROFILE(R"({"os": {"bits": 32, "wow64": false},
                  "registry": {"HKLM\\SOFTWARE\\Microsoft\\Internet Explorer": {"Version": "8.0.6001"}}})");
  EXPECT_EQ(GetIeVersion(), L"8.0.6001");
}

TEST_F(OsInfoTest, DisplayLanguageIsTheFirstPreferredLanguageCutAtItsDash) {
  struct Case {
    const char* value;
    const wchar_t* expected;
  } cases[] = {
      {R"({"type": "REG_MULTI_SZ", "data": ["zh-CN", "en-US"]})", L"zh"},
      {R"({"type": "REG_MULTI_SZ", "data": ["fr"]})", L"fr"},
      {R"({"type": "REG_MULTI_SZ", "data": ["a-very-long-language-tag-beyond-31"]})", L""},
      {"null", L""},
  };
  for (const Case& c : cases) {
    std::string registry = std::string(R"({"HKCU\\Control Panel\\Desktop\\MuiCached": {"MachinePreferredUILanguages": )") +
                           c.value + "}}";
    USE_PROFILE(R"({"registry": )" + registry + "}");
    EXPECT_EQ(GetWindowsDisplayLanguage(), c.expected) << c.value;
  }
}

TEST_F(OsInfoTest, TimeZoneHoursTruncateTowardZero) {
  struct Case {
    int bias;
    int hours;
  } cases[] = {{-480, 8}, {210, -3}, {300, -5}, {-330, 5}, {0, 0}};
  for (const Case& c : cases) {
    USE_PROFILE(R"({"locale": {"time_zone_bias": )" + std::to_string(c.bias) + "}}");
    EXPECT_EQ(GetTimeZoneHours(), c.hours) << c.bias;
  }
}

TEST_F(OsInfoTest, TimestampIsTheMachinesLocalTime) {
  USE_PROFILE(R"({"locale": {"time_zone_bias": 210}})");
  time_t before = time(nullptr);
  std::wstring stamp = GetTimestampString();
  time_t after = time(nullptr);
  auto format = [](time_t utc) {
    time_t local = utc - 210 * 60;
    struct tm fields = *std::gmtime(&local);
    wchar_t text[32];
    wcsftime(text, 32, L"%Y%m%d%H%M%S", &fields);
    return std::wstring(text);
  };
  EXPECT_TRUE(stamp == format(before) || stamp == format(after)) << stamp;
}

}  // namespace
