// Text conversions between UTF-16, the ANSI code page and UTF-8.
#include "system/text_convert.h"

#include <gtest/gtest.h>

#include "platform/testing/sim_machine_fixture.h"

namespace {

class TextConvertTest : public platform::testing::MachineTest {};

TEST_F(TextConvertTest, WideToAnsiUsesTheSystemCodePageAndEndsAtNul) {
  USE_PROFILE(R"({"locale": {"ansi_codepage": 1252}})");
  EXPECT_EQ(WideToAnsi(L"caf\u00e9 \u4e2d"), "caf\xe9 ?");
  EXPECT_EQ(WideToAnsi(std::wstring(L"ab\0cd", 5)), "ab");
  USE_PROFILE(R"({"locale": {"ansi_codepage": 936}})");
  EXPECT_EQ(WideToAnsi(L"\u4e2d\u6587 ok"), "\xd6\xd0\xce\xc4 ok");
  USE_PROFILE(R"({"locale": {"ansi_codepage": 4242}})");  // a code page the system lacks
  EXPECT_EQ(WideToAnsi(L"text"), "");
}

TEST_F(TextConvertTest, AnsiToWideFollowsTheUserLocale) {
  USE_PROFILE(R"({"locale": {"user_lcid": 2052, "ansi_codepage": 1252}})");
  EXPECT_EQ(AnsiToWide("\xd6\xd0\xce\xc4"), L"\u4e2d\u6587");
  EXPECT_EQ(AnsiToWide("\xd6"), L"");  // a lead byte without its trail byte
  USE_PROFILE(R"({"locale": {"user_lcid": 1033}})");
  EXPECT_EQ(AnsiToWide("caf\xe9"), L"caf\u00e9");
}

TEST_F(TextConvertTest, Utf8ToWideTurnsEachInvalidByteIntoAQuestionMark) {
  struct Case {
    std::string utf8;
    std::wstring wide;
  } cases[] = {
      {"plain", L"plain"},
      {"\xe4\xb8\xad\xe6\x96\x87", L"\u4e2d\u6587"},
      {"\xf0\x9f\x98\x80!", L"\U0001F600!"},
      {"a\xff" "b", L"a?b"},
      {"\xe4\xb8", L"??"},                 // cut short
      {"\xc0\xaf", L"??"},                 // overlong "/"
      {"\xed\xa0\x80", L"???"},            // an encoded surrogate
      {std::string("ab\0cd", 5), L"ab"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf8ToWide(c.utf8), c.wide) << c.utf8;
}

TEST_F(TextConvertTest, Utf8RoundTripAndStrictFormRejectsInvalidSequences) {
  std::wstring text = L"ascii \u00e9 \u4e2d \U0001F600";
  EXPECT_EQ(WideToUtf8(text), "ascii \xc3\xa9 \xe4\xb8\xad \xf0\x9f\x98\x80");
  EXPECT_EQ(Utf8ToWideStrict(WideToUtf8Strict(text)), text);

  std::wstring loneSurrogate = L"a";
  loneSurrogate.push_back(static_cast<wchar_t>(0xD800));
  EXPECT_EQ(WideToUtf8(loneSurrogate), "a\xef\xbf\xbd");
  EXPECT_EQ(WideToUtf8Strict(loneSurrogate), "");
  EXPECT_EQ(Utf8ToWideStrict("ok\xff"), L"");
  EXPECT_EQ(Utf8ToWideStrict("\xe4\xb8"), L"");
}

TEST_F(TextConvertTest, NumbersAsText) {
  EXPECT_EQ(IntToText(-1), "4294967295");
  EXPECT_EQ(IntToText(-5), "4294967291");
  EXPECT_EQ(IntToText(1234), "1234");
  EXPECT_EQ(IntToWideText(-5), L"-5");
  EXPECT_EQ(IntToHexText(0x1A2b), L"1A2B");
  EXPECT_EQ(IntToHexText(-1), L"FFFFFFFF");
}

}  // namespace
