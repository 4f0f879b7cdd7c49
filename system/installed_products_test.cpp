// Installed-product records and the companion product.
#include "system/installed_products.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/testing/sim_machine_fixture.h"

namespace {

class InstalledProductsTest : public platform::testing::SimMachineTest {
 protected:
  void SetUp() override {
    // The records live in the process's own (32-bit) view: WOW6432Node on 64-bit Windows.
    UseProfile(R"({"registry": {
      "HKLM\\SOFTWARE\\WOW6432Node\\Tarnwick\\A": {"PID": 111, "InstallInfo": "", "Version": "1.0"},
      "HKLM\\SOFTWARE\\WOW6432Node\\Tarnwick\\B": {"PID": "111", "InstallInfo": "x", "Version": "9.9"},
      "HKLM\\SOFTWARE\\WOW6432Node\\Tarnwick\\C": {"PID": 111, "InstallInfo": "x", "Version": "2.5",
                                                 "InstallName": "Quay.exe"},
      "HKLM\\SOFTWARE\\WOW6432Node\\Tarnwick\\D": {"PID": 222, "InstallInfo": "y",
                                                 "Version": {"type": "REG_EXPAND_SZ", "data": "3.0"},
                                                 "InstallPath": ")" + std::string(300, 'p') + R"("},
      "HKLM\\SOFTWARE\\Tarnwick\\E": {"PID": 333, "InstallInfo": "64-bit view only"}
    }})");
  }
};

TEST_F(InstalledProductsTest, RecordNeedsMatchingDwordPidAndNonEmptyInstallInfo) {
  EXPECT_TRUE(IsProductInstalled(L"Tarnwick", 111));
  EXPECT_EQ(GetInstalledVersion(L"Tarnwick", 111), L"2.5");  // A (empty InstallInfo) and B (text PID) ignored
  EXPECT_EQ(GetInstalledName(L"Tarnwick", 111), L"Quay.exe");
  EXPECT_FALSE(IsProductInstalled(L"Tarnwick", 333));
  EXPECT_FALSE(IsProductInstalled(L"Tarnwick", 444));
  EXPECT_FALSE(IsProductInstalled(L"Nobody", 111));
  EXPECT_EQ(GetInstalledVersion(L"Tarnwick", 444), L"");
}

TEST_F(InstalledProductsTest, FoundRecordWithUnusableValueGivesEmptyText) {
  EXPECT_TRUE(IsProductInstalled(L"Tarnwick", 222));
  EXPECT_EQ(GetInstalledVersion(L"Tarnwick", 222), L"");  // REG_EXPAND_SZ
  EXPECT_EQ(GetInstalledPath(L"Tarnwick", 222), L"");     // longer than 255 characters
  EXPECT_EQ(GetInstalledPath(L"Tarnwick", 111), L"");     // missing
}

class CompanionTest : public platform::testing::SimMachineTest {
 protected:
  void UseCompanion(const char* path64, const char* path32) {
    std::string registry = "{";
    if (path64) registry += std::string(R"("HKLM\\SOFTWARE\\Tarnwick\\Tarnwick Mosswell": {"InstallName": ")") + path64 + "\"}";
    if (path64 && path32) registry += ",";
    if (path32) {
      registry += std::string(R"("HKLM\\SOFTWARE\\WOW6432Node\\Tarnwick\\Tarnwick Mosswell": {"InstallName": ")") +
                  path32 + "\"}";
    }
    UseProfile(R"({"registry": )" + registry + "}}");
    ASSERT_TRUE(platform::CreateDirectoryAt(L"C:\\Mw"));
    ASSERT_TRUE(platform::WriteWholeFile(L"C:\\Mw\\mw.exe", "exe"));
  }
};

TEST_F(CompanionTest, SixtyFourBitViewFirstThenThirtyTwo) {
  struct Case {
    const char* path64;
    const char* path32;
    const wchar_t* name;
    bool installed;
  } cases[] = {
      {"C:\\\\Mw\\\\mw.exe", "C:\\\\Other\\\\x.exe", L"C:\\Mw\\mw.exe", true},
      {"C:\\\\Gone\\\\mw.exe", "C:\\\\Mw\\\\mw.exe", L"C:\\Mw\\mw.exe", true},
      {"C:\\\\Gone\\\\mw.exe", "C:\\\\Gone32\\\\mw.exe", L"C:\\Gone32\\mw.exe", false},
      {"C:\\\\Gone\\\\mw.exe", nullptr, L"C:\\Gone\\mw.exe", false},
      {nullptr, nullptr, L"", false},
  };
  for (const Case& c : cases) {
    UseCompanion(c.path64, c.path32);
    EXPECT_EQ(GetCompanionInstallName(), c.name);
    EXPECT_EQ(IsCompanionInstalled(), c.installed) << c.name;
  }
}

}  // namespace
