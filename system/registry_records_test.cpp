// Channel record, compatibility layers and per-user flags.
#include "system/registry_records.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/win_error.h"

namespace {

using platform::RegRoot;
using platform::RegView;

class RegistryRecordsTest : public platform::testing::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    RemoveKeyAfterwards(RegRoot::kLocalMachine, L"Software\\PelCX");
    RemoveKeyAfterwards(RegRoot::kCurrentUser, L"Software\\Kiv");
  }
  // The value as stored, or type kRegNone when the key or value is missing.
  static platform::RegValue Stored(RegRoot root, const std::wstring& key, RegView view, const std::wstring& name) {
    std::unique_ptr<platform::RegKey> opened;
    platform::RegValue value;
    if (platform::OpenRegKey(root, key, platform::kRegRead, view, false, &opened) == platform::kErrorSuccess) {
      opened->QueryValue(name, &value, 4096);
    }
    return value;
  }
};

TEST_F(RegistryRecordsTest, DefaultChannelKeepsTheFirstChannelRecorded) {
  USE_PROFILE(R"({"os": {"bits": 64, "wow64": true}})");  // two registry views
  EXPECT_EQ(ReadDefaultChannel(), L"");
  RecordChannel(L"app1", L"10001", L"chanA");
  RecordChannel(L"", L"10002", L"chanB");
  EXPECT_EQ(ReadDefaultChannel(), L"chanA");
  const wchar_t* key = L"Software\\PelCX\\";
  EXPECT_EQ(platform::RegValueText(Stored(RegRoot::kLocalMachine, key, RegView::k32, L"app1")), L"chanA");
  EXPECT_EQ(platform::RegValueText(Stored(RegRoot::kLocalMachine, key, RegView::k32, L"10002")), L"chanB");
  EXPECT_EQ(Stored(RegRoot::kLocalMachine, key, RegView::k32, L"").type, platform::kRegSz);
  EXPECT_EQ(Stored(RegRoot::kLocalMachine, key, RegView::k64, L"app1").type, platform::kRegNone);
}

TEST_F(RegistryRecordsTest, CompatibilityLayerInBothViewsWithoutTerminator) {
  // 64-bit Windows, where no program has a layer yet.
  USE_PROFILE(R"({"os": {"bits": 64, "wow64": true}, "registry": {
      "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers":
          {"C:\\Dl\\kiv.exe": null, "C:\\long.exe": null},
      "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers":
          {"C:\\Dl\\kiv.exe": null, "C:\\long.exe": null}}})");
  const std::wstring exe = L"C:\\Dl\\kiv.exe";
  SetCompatibilityLayer(exe, L"RUNASADMIN");
  SetCompatibilityLayer(L"C:\\long.exe", std::wstring(60, L'L'));
  const wchar_t* key = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers\\";
  for (RegView view : {RegView::k64, RegView::k32}) {
    platform::RegValue layer = Stored(RegRoot::kLocalMachine, key, view, exe);
    EXPECT_EQ(layer.type, platform::kRegSz);
    // Written without its terminator, which Windows adds as it follows the text.
    EXPECT_EQ(layer.data.size(), 22u);
    EXPECT_EQ(platform::RegValueText(layer), L"RUNASADMIN");
    EXPECT_EQ(Stored(RegRoot::kLocalMachine, key, view, L"C:\\long.exe").data.size(), 102u);
  }
}

TEST_F(RegistryRecordsTest, UserDwordNeedsAnExistingKey) {
  const wchar_t* settings = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  USE_PROFILE(R"({"registry": {"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings":
                              {"SecureProtocols": 2688, "Text": "12"}}})");
  EXPECT_EQ(GetUserDword(settings, L"SecureProtocols"), 2688u);
  SetUserDword(settings, L"SecureProtocols", 10880);
  EXPECT_EQ(GetUserDword(settings, L"SecureProtocols"), 10880u);
  EXPECT_EQ(GetUserDword(settings, L"Text"), 0u);
  EXPECT_EQ(GetUserDword(settings, L"Missing"), 0u);

  SetUserDword(L"Software\\Kiv\\Absent", L"Flag", 1);
  EXPECT_EQ(GetUserDword(L"Software\\Kiv\\Absent", L"Flag"), 0u);
  std::unique_ptr<platform::RegKey> absent;
  EXPECT_EQ(platform::OpenRegKey(RegRoot::kCurrentUser, L"Software\\Kiv\\Absent", platform::kRegRead,
                                 RegView::kDefault, false, &absent),
            platform::kErrorFileNotFound);
}

}  // namespace
