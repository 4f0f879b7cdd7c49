// What the registry primitives do on Windows: keys and typed values under a
// scratch key, buffer limits, missing keys, deletion of a tree, and the 32-
// and 64-bit views of HKLM\Software. Runs on every backend.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/testing/scratch_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class RegistryContract : public testing::ScratchTest {
 protected:
  std::unique_ptr<RegKey> Key(const std::wstring& below, bool create, RegRoot root = RegRoot::kCurrentUser,
                              RegView view = RegView::kDefault) {
    std::unique_ptr<RegKey> key;
    EXPECT_EQ(OpenRegKey(root, ScratchKey() + below, kRegAll, view, create, &key), kErrorSuccess);
    return key;
  }
  uint32_t Open(const std::wstring& below, RegRoot root = RegRoot::kCurrentUser, RegView view = RegView::kDefault) {
    std::unique_ptr<RegKey> key;
    return OpenRegKey(root, ScratchKey() + below, kRegRead, view, false, &key);
  }
};

TEST_F(RegistryContract, ValuesAreSetQueriedReplacedAndDeleted) {
  auto key = Key(L"\\Product", true);
  ASSERT_TRUE(key);
  ASSERT_EQ(key->SetValue(L"Version", MakeRegSz(L"1.2.3")), kErrorSuccess);
  ASSERT_EQ(key->SetValue(L"Count", MakeRegDword(7)), kErrorSuccess);
  ASSERT_EQ(key->SetValue(L"Count", MakeRegDword(0xFFFFFFFEu)), kErrorSuccess);
  ASSERT_EQ(key->SetValue(L"", MakeRegSz(L"default value")), kErrorSuccess);

  RegValue value;
  ASSERT_EQ(key->QueryValue(L"VERSION", &value, 1024), kErrorSuccess);  // names compare case-blind
  EXPECT_EQ(value.type, kRegSz);
  EXPECT_EQ(value.data, MakeRegSz(L"1.2.3").data);  // UTF-16LE with its terminator
  uint32_t number = 0;
  ASSERT_EQ(key->QueryValue(L"Count", &value, 1024), kErrorSuccess);
  ASSERT_TRUE(RegValueDword(value, &number));
  EXPECT_EQ(number, 0xFFFFFFFEu);
  ASSERT_EQ(key->QueryValue(L"", &value, 1024), kErrorSuccess);
  EXPECT_EQ(RegValueText(value), L"default value");

  EXPECT_EQ(key->DeleteValue(L"Count"), kErrorSuccess);
  EXPECT_EQ(key->QueryValue(L"Count", &value, 1024), kErrorFileNotFound);
  EXPECT_EQ(key->DeleteValue(L"Count"), kErrorFileNotFound);
}

TEST_F(RegistryContract, DataLargerThanTheBufferGivesMoreDataAndItsType) {
  auto key = Key(L"", true);
  ASSERT_TRUE(key);
  RegValue stored = MakeRegSz(L"twelve chars");  // 26 bytes with the terminator
  ASSERT_EQ(key->SetValue(L"Text", stored), kErrorSuccess);
  RegValue value;
  EXPECT_EQ(key->QueryValue(L"Text", &value, stored.data.size() - 1), kErrorMoreData);
  EXPECT_EQ(value.type, kRegSz);
  EXPECT_EQ(key->QueryValue(L"Text", &value, stored.data.size()), kErrorSuccess);
  EXPECT_EQ(value.data, stored.data);
}

TEST_F(RegistryContract, TextWrittenWithoutItsTerminatorIsStoredWithIt) {
  auto key = Key(L"", true);
  ASSERT_TRUE(key);
  RegValue bare = MakeRegSz(L"abc");
  bare.data.resize(6);  // the size leaves out the terminator
  ASSERT_EQ(key->SetValue(L"Bare", bare), kErrorSuccess);
  RegValue value;
  ASSERT_EQ(key->QueryValue(L"Bare", &value, 100), kErrorSuccess);
  EXPECT_EQ(value.data, MakeRegSz(L"abc").data);
}

TEST_F(RegistryContract, MultiStringKeepsEveryString) {
  auto key = Key(L"", true);
  ASSERT_TRUE(key);
  RegValue stored = MakeRegSz(std::wstring(L"first\0second entry\0", 19), kRegMultiSz);
  ASSERT_EQ(key->SetValue(L"List", stored), kErrorSuccess);
  RegValue value;
  ASSERT_EQ(key->QueryValue(L"List", &value, 1024), kErrorSuccess);
  EXPECT_EQ(value.type, kRegMultiSz);
  EXPECT_EQ(RegValueMultiText(value), (std::vector<std::wstring>{L"first", L"second entry"}));
}

TEST_F(RegistryContract, CreateMakesTheChainEnumerationListsChildrenAndTreesAreDeleted) {
  EXPECT_EQ(Open(L""), kErrorFileNotFound);
  ASSERT_TRUE(Key(L"\\A\\Deep", true));
  ASSERT_TRUE(Key(L"\\B", true));
  auto parent = Key(L"", false);
  ASSERT_TRUE(parent);

  uint32_t count = 0;
  ASSERT_EQ(parent->CountSubKeys(&count), kErrorSuccess);
  EXPECT_EQ(count, 2u);
  std::vector<std::wstring> names;
  std::wstring name;
  uint32_t index = 0;
  for (; parent->EnumSubKey(index, &name, 255) == kErrorSuccess; ++index) names.push_back(name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"A", L"B"}));
  EXPECT_EQ(parent->EnumSubKey(index, &name, 255), kErrorNoMoreItems);
  EXPECT_EQ(parent->EnumSubKey(0, &name, 0), kErrorMoreData);  // no room for a one-letter name
  parent.reset();

  EXPECT_EQ(DeleteRegTree(RegRoot::kCurrentUser, ScratchKey() + L"\\A", RegView::kDefault), kErrorSuccess);
  EXPECT_EQ(Open(L"\\A\\Deep"), kErrorFileNotFound);
  EXPECT_EQ(Open(L"\\A"), kErrorFileNotFound);
  EXPECT_EQ(Open(L"\\B"), kErrorSuccess);
  EXPECT_EQ(DeleteRegTree(RegRoot::kCurrentUser, ScratchKey() + L"\\A", RegView::kDefault), kErrorFileNotFound);
}

TEST_F(RegistryContract, SoftwareViewsAreSeparateExactlyOnSixtyFourBitWindows) {
  Wow64Answer wow64 = QueryWow64Process();
  ASSERT_TRUE(wow64.callExists && wow64.succeeded);
  auto key = Key(L"", true, RegRoot::kLocalMachine, RegView::k64);
  ASSERT_TRUE(key);
  ASSERT_EQ(key->SetValue(L"Bits", MakeRegDword(64)), kErrorSuccess);

  // The process's own view is the 32-bit one.
  for (RegView view : {RegView::k32, RegView::kDefault}) {
    SCOPED_TRACE(view == RegView::k32 ? "32-bit view" : "default view");
    EXPECT_EQ(Open(L"", RegRoot::kLocalMachine, view), wow64.isWow64 ? kErrorFileNotFound : kErrorSuccess);
  }
  EXPECT_EQ(Open(L"", RegRoot::kLocalMachine, RegView::k64), kErrorSuccess);
}

}  // namespace
}  // namespace platform
