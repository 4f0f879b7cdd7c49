// Installed-product records and the companion product.
#include "system/installed_products.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/text_convert.h"

namespace {

class InstalledProductsTest : public platform::testing::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    RemoveKeyAfterwards(platform::RegRoot::kLocalMachine, L"Software\\Tarnwick");
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

class CompanionTest : public platform::testing::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    RemoveKeyAfterwards(platform::RegRoot::kLocalMachine, L"Software\\Tarnwick");
  }
  // The companion's recorded paths in the 64-bit and the 32-bit view (nullptr:
  // no record), relative to the scratch folder, where "Mw\\mw.exe" exists.
  void UseCompanion(const wchar_t* path64, const wchar_t* path32) {
    std::string registry = "{";
    if (path64) registry += R"("HKLM\\SOFTWARE\\Tarnwick\\Tarnwick Mosswell": {"InstallName": )" + JsonPath(path64) + "}";
    if (path64 && path32) registry += ",";
    if (path32) {
      registry += R"("HKLM\\SOFTWARE\\WOW6432Node\\Tarnwick\\Tarnwick Mosswell": {"InstallName": )" +
                  JsonPath(path32) + "}";
    }
    UseProfile(R"({"registry": )" + registry + "}}");
    if (IsSkipped()) return;
    ASSERT_TRUE(platform::CreateDirectoryAt(Scratch() + L"Mw"));
    ASSERT_TRUE(platform::WriteWholeFile(Scratch() + L"Mw\\mw.exe", "exe"));
  }
  std::string JsonPath(const wchar_t* relative) {
    return platform::testing::JsonQuoted(WideToUtf8(Scratch() + relative));
  }
};

TEST_F(CompanionTest, SixtyFourBitViewFirstThenThirtyTwo) {
  struct Case {
    const wchar_t* path64;
    const wchar_t* path32;
    const wchar_t* name;  // relative to the scratch folder; nullptr: none
    bool installed;
  } cases[] = {
      {L"Mw\\mw.exe", L"Other\\x.exe", L"Mw\\mw.exe", true},
      {L"Gone\\mw.exe", L"Mw\\mw.exe", L"Mw\\mw.exe", true},
      {L"Gone\\mw.exe", L"Gone32\\mw.exe", L"Gone32\\mw.exe", false},
      {L"Gone\\mw.exe", nullptr, L"Gone\\mw.exe", false},
      {nullptr, nullptr, nullptr, false},
  };
  for (const Case& c : cases) {
    UseCompanion(c.path64, c.path32);
    if (IsSkipped() || HasFatalFailure()) return;
    const std::wstring name = c.name ? Scratch() + c.name : L"";
    EXPECT_EQ(GetCompanionInstallName(), name);
    EXPECT_EQ(IsCompanionInstalled(), c.installed) << name;
  }
}

}  // namespace
