// What the code page conversions do on Windows: Windows-1252 both ways with
// its default character, and UTF-8 input that is not valid. Runs on every
// backend.
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/testing/scratch_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

constexpr uint32_t kErrorNoUnicodeTranslation = 1113;

class CodePageContract : public testing::ScratchTest {};

TEST_F(CodePageContract, Windows1252RoundTripsItsOwnCharacters) {
  const std::string bytes = "caf\xE9 \x80 \x9F\xFF";
  const std::wstring text = L"caf\u00E9 \u20AC \u0178\u00FF";
  std::wstring wide;
  ASSERT_TRUE(MultiByteToWide(1252, bytes, &wide));
  EXPECT_EQ(wide, text);
  std::string back;
  bool usedDefault = true;
  ASSERT_TRUE(WideToMultiByte(1252, text, &back, &usedDefault));
  EXPECT_EQ(back, bytes);
  EXPECT_FALSE(usedDefault);
}

TEST_F(CodePageContract, CharactersMissingFromTheCodePageBecomeItsDefault) {
  std::string bytes;
  bool usedDefault = false;
  ASSERT_TRUE(WideToMultiByte(1252, L"a\u4E2D\u0416b", &bytes, &usedDefault));
  EXPECT_EQ(bytes, "a??b");
  EXPECT_TRUE(usedDefault);
}

TEST_F(CodePageContract, InvalidUtf8IsReplacedOrRefused) {
  const std::string bytes = "a\xFF" "b\xC3";
  std::wstring text;
  ASSERT_TRUE(MultiByteToWide(kCodePageUtf8, bytes, &text));
  EXPECT_EQ(text, L"a\uFFFDb\uFFFD");

  text = L"untouched";
  SetLastErrorCode(kErrorSuccess);
  EXPECT_FALSE(MultiByteToWide(kCodePageUtf8, bytes, &text, true));
  EXPECT_EQ(GetLastErrorCode(), kErrorNoUnicodeTranslation);

  ASSERT_TRUE(MultiByteToWide(kCodePageUtf8, "\xE2\x82\xAC \xF0\x9F\x98\x80", &text, true));
  EXPECT_EQ(text, sizeof(wchar_t) == 2 ? std::wstring(L"\u20AC \xD83D\xDE00") : std::wstring(L"\u20AC \U0001F600"));
}

}  // namespace
}  // namespace platform
