// Contract of the registry: seeded values, views under WOW64, key creation,
// buffer limits, enumeration, and the raw value forms. Runs on the simulated
// machine and on the real one, below keys of its own that it removes.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/testing/sim_machine_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

// The key every test works below, under HKCU and under HKLM\SOFTWARE.
const std::wstring kKey = L"Software\\KivRegistryTest";

class RegistryTest : public testing::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    RemoveKeyAfterwards(RegRoot::kCurrentUser, kKey);
    RemoveKeyAfterwards(RegRoot::kLocalMachine, kKey);
  }
  static std::unique_ptr<RegKey> Open(RegRoot root, const std::wstring& path, RegView view = RegView::kDefault,
                                      uint32_t access = kRegAll, bool create = false) {
    std::unique_ptr<RegKey> key;
    uint32_t result = OpenRegKey(root, path, access, view, create, &key);
    return result == kErrorSuccess ? std::move(key) : nullptr;
  }
  static std::wstring Text(RegKey& key, const std::wstring& name) {
    RegValue value;
    return key.QueryValue(name, &value, 4096) == kErrorSuccess ? RegValueText(value) : L"<missing>";
  }
};

TEST_F(RegistryTest, ProfileSeedsEveryValueType) {
  USE_PROFILE(R"({"registry": {"HKLM\\SOFTWARE\\KivRegistryTest": {
      "": "default text", "Name": "text", "Count": 17,
      "Path": {"type": "REG_EXPAND_SZ", "data": "%TEMP%\\x"},
      "List": {"type": "REG_MULTI_SZ", "data": ["one", "two"]},
      "Flag": {"type": "REG_DWORD", "data": 4294967295},
      "Big": {"type": "REG_DWORD_BIG_ENDIAN", "data": 258},
      "Blob": {"type": "REG_BINARY", "data": "00ff10"},
      "Wide": {"type": "REG_QWORD", "data": 4294967296}}}})");
  auto key = Open(RegRoot::kLocalMachine, L"software\\KIVREGISTRYTEST", RegView::k64, kRegRead);
  ASSERT_TRUE(key);
  EXPECT_EQ(Text(*key, L""), L"default text");
  EXPECT_EQ(Text(*key, L"name"), L"text") << "value names are case-blind";
  RegValue value;
  uint32_t number = 0;
  ASSERT_EQ(key->QueryValue(L"Count", &value, 4), kErrorSuccess);
  EXPECT_TRUE(RegValueDword(value, &number));
  EXPECT_EQ(number, 17u);
  ASSERT_EQ(key->QueryValue(L"Path", &value, 100), kErrorSuccess);
  EXPECT_EQ(value.type, kRegExpandSz);
  EXPECT_EQ(RegValueText(value), L"%TEMP%\\x");
  ASSERT_EQ(key->QueryValue(L"List", &value, 100), kErrorSuccess);
  EXPECT_EQ(value.type, kRegMultiSz);
  EXPECT_EQ(RegValueMultiText(value), (std::vector<std::wstring>{L"one", L"two"}));
  EXPECT_EQ(value.data.size(), 18u) << "each string and the list end in a NUL";
  ASSERT_EQ(key->QueryValue(L"Flag", &value, 4), kErrorSuccess);
  EXPECT_TRUE(RegValueDword(value, &number));
  EXPECT_EQ(number, 0xFFFFFFFFu);
  ASSERT_EQ(key->QueryValue(L"Big", &value, 4), kErrorSuccess);
  EXPECT_EQ(value.data, std::string("\0\0\x01\x02", 4));
  EXPECT_TRUE(RegValueDword(value, &number));
  EXPECT_EQ(number, 258u);
  ASSERT_EQ(key->QueryValue(L"Blob", &value, 100), kErrorSuccess);
  EXPECT_EQ(value.type, kRegBinary);
  EXPECT_EQ(value.data, std::string("\0\xff\x10", 3));
  EXPECT_FALSE(RegValueDword(value, &number));
  ASSERT_EQ(key->QueryValue(L"Wide", &value, 100), kErrorSuccess);
  EXPECT_EQ(value.type, kRegQword);
  EXPECT_EQ(value.data, std::string("\0\0\0\0\x01\0\0\0", 8));
}

TEST_F(RegistryTest, ThirtyTwoBitViewOfSoftwareIsSeparateOnSixtyFourBitWindows) {
  USE_PROFILE(R"({"os": {"bits": 64, "wow64": true}})");
  auto mine = Open(RegRoot::kLocalMachine, kKey, RegView::kDefault, kRegAll, true);
  ASSERT_TRUE(mine);
  ASSERT_EQ(mine->SetValue(L"Where", MakeRegSz(L"32")), kErrorSuccess);

  auto as32 = Open(RegRoot::kLocalMachine, kKey, RegView::k32);
  ASSERT_TRUE(as32);
  EXPECT_EQ(Text(*as32, L"Where"), L"32");
  EXPECT_FALSE(Open(RegRoot::kLocalMachine, kKey, RegView::k64));
  auto physical = Open(RegRoot::kLocalMachine, L"SOFTWARE\\WOW6432Node\\KivRegistryTest", RegView::k64);
  ASSERT_TRUE(physical);
  EXPECT_EQ(Text(*physical, L"Where"), L"32");

  auto user32 = Open(RegRoot::kCurrentUser, kKey, RegView::k32, kRegAll, true);
  ASSERT_TRUE(user32);
  ASSERT_EQ(user32->SetValue(L"Where", MakeRegSz(L"user")), kErrorSuccess);
  auto user64 = Open(RegRoot::kCurrentUser, kKey, RegView::k64);
  ASSERT_TRUE(user64) << "HKCU has one view";
  EXPECT_EQ(Text(*user64, L"Where"), L"user");
}

TEST_F(RegistryTest, ThirtyTwoBitWindowsHasOneView) {
  USE_PROFILE(R"({"os": {"bits": 32, "wow64": false}})");
  auto as64 = Open(RegRoot::kLocalMachine, kKey, RegView::k64, kRegAll, true);
  ASSERT_TRUE(as64);
  ASSERT_EQ(as64->SetValue(L"Where", MakeRegSz(L"only")), kErrorSuccess);
  for (RegView view : {RegView::kDefault, RegView::k32}) {
    auto key = Open(RegRoot::kLocalMachine, kKey, view);
    ASSERT_TRUE(key);
    EXPECT_EQ(Text(*key, L"Where"), L"only");
  }
}

TEST_F(RegistryTest, CreateMakesTheWholeChainAndEnumeratesSortedIgnoringCase) {
  std::unique_ptr<RegKey> key;
  EXPECT_EQ(OpenRegKey(RegRoot::kCurrentUser, kKey + L"\\B", kRegRead, RegView::kDefault, false, &key),
            kErrorFileNotFound);
  for (const wchar_t* child : {L"Zeta", L"alpha", L"LongerName"}) {
    ASSERT_TRUE(Open(RegRoot::kCurrentUser, kKey + L"\\B\\" + child, RegView::kDefault, kRegAll, true));
  }
  auto parent = Open(RegRoot::kCurrentUser, L"software\\kivregistrytest\\b", RegView::kDefault, kRegRead);
  ASSERT_TRUE(parent);
  uint32_t count = 0;
  ASSERT_EQ(parent->CountSubKeys(&count), kErrorSuccess);
  EXPECT_EQ(count, 3u);
  std::wstring name;
  ASSERT_EQ(parent->EnumSubKey(0, &name, 255), kErrorSuccess);
  EXPECT_EQ(name, L"alpha") << "names keep their case";
  ASSERT_EQ(parent->EnumSubKey(1, &name, 5), kErrorMoreData);
  ASSERT_EQ(parent->EnumSubKey(2, &name, 255), kErrorSuccess);
  EXPECT_EQ(name, L"Zeta");
  EXPECT_EQ(parent->EnumSubKey(3, &name, 255), kErrorNoMoreItems);
  auto a = Open(RegRoot::kCurrentUser, kKey, RegView::kDefault, kRegRead);
  ASSERT_TRUE(a);
  ASSERT_EQ(a->CountSubKeys(&count), kErrorSuccess);
  EXPECT_EQ(count, 1u) << "only direct sub-keys count";
}

TEST_F(RegistryTest, ValuesAreSetReplacedLimitedAndDeleted) {
  auto key = Open(RegRoot::kCurrentUser, kKey, RegView::kDefault, kRegAll, true);
  ASSERT_TRUE(key);
  ASSERT_EQ(key->SetValue(L"Sign", MakeRegSz(L"abc")), kErrorSuccess);
  ASSERT_EQ(key->SetValue(L"SIGN", MakeRegSz(L"abcd")), kErrorSuccess);
  RegValue value;
  EXPECT_EQ(key->QueryValue(L"sign", &value, 8), kErrorMoreData) << "10 bytes with the terminator";
  EXPECT_EQ(value.type, kRegSz);
  ASSERT_EQ(key->QueryValue(L"sign", &value, 10), kErrorSuccess);
  EXPECT_EQ(RegValueText(value), L"abcd");
  EXPECT_EQ(key->DeleteValue(L"Sign"), kErrorSuccess);
  EXPECT_EQ(key->DeleteValue(L"Sign"), kErrorFileNotFound);
  EXPECT_EQ(key->QueryValue(L"Sign", &value, 100), kErrorFileNotFound);

  auto readOnly = Open(RegRoot::kCurrentUser, kKey, RegView::kDefault, kRegRead);
  ASSERT_TRUE(readOnly);
  EXPECT_EQ(readOnly->SetValue(L"x", MakeRegDword(1)), kErrorAccessDenied);
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([t] {
      auto key = Open(RegRoot::kCurrentUser, kKey, RegView::kDefault, kRegAll, true);
      ASSERT_TRUE(key);
      for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(key->SetValue(L"v" + std::to_wstring(t * 10 + i), MakeRegDword(i)), kErrorSuccess);
      }
    });
  }
  for (auto& w : writers) w.join();
  auto key = Open(RegRoot::kCurrentUser, kKey, RegView::kDefault, kRegRead);
  ASSERT_TRUE(key);
  RegValue value;
  for (int v = 0; v < 40; ++v) EXPECT_EQ(key->QueryValue(L"v" + std::to_wstring(v), &value, 4), kErrorSuccess) << v;
}

TEST(RegistryValueForms, StringsAreUtf16LittleEndianWithTerminator) {
  const std::wstring text = L"a\u00e9\u4e2d\U0001F600";  // the last one needs a surrogate pair
  RegValue value = MakeRegSz(text);
  EXPECT_EQ(value.data, std::string("a\0\xe9\0\x2d\x4e\x3d\xd8\x00\xde\0\0", 12));
  EXPECT_EQ(RegValueText(value), text);
  EXPECT_EQ(RegValueText(MakeRegDword(7)), L"") << "not a string type";

  RegValue dword = MakeRegDword(0x01020304);
  EXPECT_EQ(dword.data, std::string("\x04\x03\x02\x01", 4));
  uint32_t number = 0;
  EXPECT_TRUE(RegValueDword(dword, &number));
  EXPECT_EQ(number, 0x01020304u);
  EXPECT_FALSE(RegValueDword(MakeRegSz(L"12"), &number));
}

}  // namespace
}  // namespace platform
