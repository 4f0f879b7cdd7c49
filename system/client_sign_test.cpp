// The client identifier: where it is looked up and stored, and how a new one
// is made.
#include "system/client_sign.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/registry.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/win_error.h"

namespace {

using platform::RegRoot;
using platform::RegView;

const wchar_t kKeyA[] = L"Software\\Acme\\Acme Quayside\\";
const wchar_t kKeyB[] = L"Software\\Acme\\PEL\\";
const char kNewIdentifier[] = R"(^\{[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}G\}$)";

class ClientSignTest : public platform::testing::MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    RemoveKeyAfterwards(RegRoot::kLocalMachine, L"Software\\Acme");
    RemoveKeyAfterwards(RegRoot::kCurrentUser, L"Software\\Acme");
  }
  static std::wstring StoredSign(RegRoot root, const std::wstring& key, RegView view) {
    std::unique_ptr<platform::RegKey> opened;
    platform::RegValue value;
    if (platform::OpenRegKey(root, key, platform::kRegRead, view, false, &opened) != platform::kErrorSuccess ||
        opened->QueryValue(L"ClientSign", &value, 4096) != platform::kErrorSuccess) {
      return L"<none>";
    }
    return platform::RegValueText(value);
  }
};

TEST_F(ClientSignTest, StoredIdentifierIsFoundInOrder) {
  struct Case {
    const char* registry;
    const wchar_t* expected;
  } cases[] = {
      {R"({"HKCU\\Software\\Acme\\Acme Quayside": {"ClientSign": "{user}"},
           "HKLM\\SOFTWARE\\WOW6432Node\\Acme\\Acme Quayside": {"ClientSign": "{machine}"}})",
       L"{user}"},
      {R"({"HKLM\\SOFTWARE\\Acme\\Acme Quayside": {"ClientSign": "{64-bit view}"},
           "HKLM\\SOFTWARE\\WOW6432Node\\Acme\\Acme Quayside": {"ClientSign": "{machine}"},
           "HKLM\\SOFTWARE\\WOW6432Node\\Acme\\PEL": {"ClientSign": "{pel}"}})",
       L"{machine}"},
      {R"({"HKLM\\SOFTWARE\\WOW6432Node\\Acme\\PEL": {"ClientSign": "{pel}"}})", L"{pel}"},
  };
  for (const Case& c : cases) {
    USE_PROFILE(std::string(R"({"registry": )") + c.registry + "}");
    EXPECT_EQ(GetClientSign(L"Acme"), c.expected);
    EXPECT_EQ(GetClientSign(L"Acme"), c.expected);  // never renewed
  }
}

TEST_F(ClientSignTest, NewIdentifierIsStoredInBothMachinePlacesOnly) {
  USE_PROFILE(R"({"os": {"bits": 64, "wow64": true}})");  // two registry views
  std::wstring sign = GetClientSign(L"Acme");
  std::string narrow(sign.begin(), sign.end());
  EXPECT_TRUE(std::regex_match(narrow, std::regex(kNewIdentifier))) << narrow;
  EXPECT_EQ(StoredSign(RegRoot::kLocalMachine, kKeyA, RegView::k32), sign);
  EXPECT_EQ(StoredSign(RegRoot::kLocalMachine, kKeyB, RegView::k32), sign);
  EXPECT_EQ(StoredSign(RegRoot::kLocalMachine, kKeyA, RegView::k64), L"<none>");
  EXPECT_EQ(StoredSign(RegRoot::kCurrentUser, kKeyA, RegView::kDefault), L"<none>");
  EXPECT_EQ(GetClientSign(L"Acme"), sign);
}

TEST_F(ClientSignTest, WithoutAdministratorRightsTheNewIdentifierIsStillReturned) {
  USE_PROFILE(R"({"admin": false})");
  std::wstring sign = GetClientSign(L"Acme");
  std::string narrow(sign.begin(), sign.end());
  EXPECT_TRUE(std::regex_match(narrow, std::regex(kNewIdentifier))) << narrow;
  EXPECT_EQ(StoredSign(RegRoot::kLocalMachine, kKeyA, RegView::k32), L"<none>");
  EXPECT_NE(GetClientSign(L"Acme"), sign);  // nothing was kept, so the next run makes another
}

TEST(NewGuidStringTest, LayoutOfAKnownGeneratorState) {
  const unsigned char seed[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  client_sign_internal::Xorshift128Plus generator;
  generator.Seed(seed);
  EXPECT_EQ(generator.s0, 0x0807060504030201ull);
  EXPECT_EQ(generator.s1, 0x100f0e0d0c0b0a09ull);
  // Reference computed independently of this code.
  EXPECT_EQ(client_sign_internal::GuidStringFrom(&generator), "{18b541d2-5618-491a-a055-617bc042ad56G}");
  client_sign_internal::Xorshift128Plus zero;
  EXPECT_EQ(client_sign_internal::GuidStringFrom(&zero), "{00000000-0000-4000-8000-000000000000G}");
}

TEST(NewGuidStringTest, EachCallReseedsFromTheRandomSource) {
  std::string first = NewGuidString();
  std::string second = NewGuidString();
  EXPECT_TRUE(std::regex_match(first, std::regex(kNewIdentifier))) << first;
  EXPECT_NE(first, second);
}

}  // namespace
