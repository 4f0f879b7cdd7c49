#include "shell/command_line_table.h"

#include <gtest/gtest.h>

#include "platform/testing/sim_machine_fixture.h"
#include "shell/startup.h"

namespace {

using CommandLineTest = platform::testing::MachineTest;

TEST_F(CommandLineTest, SplitsKeysAtTheFirstEqualsAndTheLastOccurrenceWins) {
  CommandLineTable t = ParseCommandLine("a=1 x=y=z \"Host Lang=Deutsch Sprache\" bare a=2 empty=");
  EXPECT_EQ(ValueOf(t, L"a"), L"2");
  EXPECT_EQ(ValueOf(t, L"x"), L"y=z");
  EXPECT_EQ(ValueOf(t, L"Host Lang"), L"Deutsch Sprache");
  EXPECT_EQ(t.count(L"bare"), 1u);
  EXPECT_EQ(ValueOf(t, L"bare"), L"");
  EXPECT_EQ(t.count(L"empty"), 1u);
  EXPECT_EQ(ValueOf(t, L"missing"), L"");
  EXPECT_EQ(t.count(L"A"), 0u);  // keys are case-sensitive
}

TEST_F(CommandLineTest, DecodesTheAnsiCodePage) {
  USE_PROFILE(R"({"locale": {"user_lcid": 1033}})");  // English (United States): code page 1252
  // "Français" in code page 1252.
  CommandLineTable t = ParseCommandLine("HostLang=Fran\xE7" "ais");
  EXPECT_EQ(ValueOf(t, L"HostLang"), L"Fran\u00E7ais");
}

TEST(HostHwnd, OnlySignedDecimal32BitNumbersAreHandles) {
  struct Case {
    const wchar_t* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {L"1312", true, 1312},         {L"-5", true, -5},         {L"+7", true, 7},
      {L"2147483647", true, INT32_MAX}, {L"-2147483648", true, INT32_MIN},
      {L"2147483648", false, 0},     {L"99999999999999999999", false, 0},
      {L"0x520", false, 0},          {L"12ab", false, 0},       {L"", false, 0},
      {L"-", false, 0},              {L" 12", false, 0},
  };
  for (const auto& c : cases) {
    int32_t handle = 0;
    EXPECT_EQ(ParseHostHwnd(c.text, &handle), c.ok) << std::wstring(c.text).size();
    if (c.ok) {
      EXPECT_EQ(handle, c.value);
    }
  }
}

TEST(SingleInstance, NameCarriesTheModeSoAForkCopyRunsBesideTheNormalOne) {
  EXPECT_EQ(SingleInstanceName(L"Acme Notes", false), L"Acme Notes_kiv");
  EXPECT_EQ(SingleInstanceName(L"Acme Notes", true), L"Acme Notes_kiv_fork");
}

}  // namespace
