// Code page conversions by code page number, and mbstowcs under the user's
// default locale.
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/testing/sim_machine_fixture.h"

namespace platform {
namespace {

class CodePageTest : public testing::SimMachineTest {};

TEST_F(CodePageTest, WideToCodePageUsesTheDefaultCharacterForWhatItLacks) {
  struct Case {
    uint32_t codePage;
    std::wstring text;
    std::string bytes;
    bool usedDefault;
  } cases[] = {
      {1252, L"caf\u00e9 \u20ac", "caf\xe9 \x80", false},
      {1252, L"a\u4e2d\u6587b", "a??b", true},
      {936, L"\u4e2d\u6587", "\xd6\xd0\xce\xc4", false},
      {936, L"\u0e01x", "?x", true},  // Thai is not in GBK
      {932, L"\u65e5\u672c", "\x93\xfa\x96\x7b", false},
      {kCodePageUtf8, L"\u4e2d", "\xe4\xb8\xad", false},
  };
  for (const Case& c : cases) {
    std::string bytes;
    bool usedDefault = !c.usedDefault;
    ASSERT_TRUE(WideToMultiByte(c.codePage, c.text, &bytes, &usedDefault)) << c.codePage;
    EXPECT_EQ(bytes, c.bytes) << c.codePage;
    EXPECT_EQ(usedDefault, c.usedDefault) << c.codePage;
    std::wstring back;
    ASSERT_TRUE(MultiByteToWide(c.codePage, c.bytes, &back));
    if (!c.usedDefault) {
      EXPECT_EQ(back, c.text) << c.codePage;
    }
  }
}

TEST_F(CodePageTest, InvalidUtf8BecomesReplacementCharactersUnlessStrict) {
  std::wstring text;
  ASSERT_TRUE(MultiByteToWide(kCodePageUtf8, "a\xff" "b", &text));
  EXPECT_EQ(text, L"a\uFFFDb");
  EXPECT_FALSE(MultiByteToWide(kCodePageUtf8, "a\xff" "b", &text, true));
  EXPECT_FALSE(MultiByteToWide(123456, "a", &text));
  std::string bytes;
  EXPECT_FALSE(WideToMultiByte(123456, L"a", &bytes));
}

TEST_F(CodePageTest, UserLocaleDecidesTheMultiByteCodePage) {
  UseProfile(R"({"locale": {"user_lcid": 2052, "ansi_codepage": 1252}})");
  std::wstring text;
  ASSERT_TRUE(MultiByteToWideUserLocale("\xd6\xd0\xce\xc4", &text));
  EXPECT_EQ(text, L"\u4e2d\u6587");
  UseProfile(R"({"locale": {"user_lcid": 1033}})");
  ASSERT_TRUE(MultiByteToWideUserLocale(std::string("caf\xe9\0tail", 9), &text));
  EXPECT_EQ(text, L"caf\u00e9");  // mbstowcs stops at the terminator
}

}  // namespace
}  // namespace platform
