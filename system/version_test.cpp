// Version texts and version resources.
#include "system/version.h"

#include <gtest/gtest.h>

#include "platform/testing/sim_machine_fixture.h"
#include "resources/embedded.h"

namespace {

class VersionTest : public platform::testing::MachineTest {};

TEST(ParseVersionTest, MissingNumbersAreZero) {
  EXPECT_EQ(ParseVersion(L"4.3.1.7"), (std::array<int, 4>{4, 3, 1, 7}));
  EXPECT_EQ(ParseVersion(L"4.3"), (std::array<int, 4>{4, 3, 0, 0}));
  EXPECT_EQ(ParseVersion(L"4.x.1"), (std::array<int, 4>{4, 0, 0, 0}));
  EXPECT_EQ(ParseVersion(L""), (std::array<int, 4>{0, 0, 0, 0}));
}

TEST(CompareVersionTest, FirstThreeNumbersDecide) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    int expected;
  } cases[] = {
      {L"4.3.1", L"4.3.1.7", 0},     {L"5.2.1.9", L"5.2.1.3", 0},  {L"4.10.0.0", L"4.9.9.9", 1},
      {L"4.9.9.9", L"4.10.0.0", -1}, {L"", L"0.0.1", -1},          {L"2.0", L"1.99.99", 1},
      {L"1.2.3", L"1.2.4", -1},      {L"1.2.4", L"1.2.3", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(CompareVersion(c.a, c.b), c.expected) << c.a << " vs " << c.b;
}

TEST_F(VersionTest, FileVersionFromTheVersionResource) {
  USE_PROFILE(R"({"file_versions": {"C:\\App\\app.exe": "12.0.65535.3"}})");
  std::wstring text = L"untouched";
  ASSERT_TRUE(GetFileVersionString(L"C:\\App\\app.exe", &text));
  EXPECT_EQ(text, L"12.0.65535.3");
  text = L"untouched";
  EXPECT_FALSE(GetFileVersionString(L"C:\\App\\none.exe", &text));
  EXPECT_EQ(text, L"untouched");

  const unsigned* own = kiv_resources::kVersion;
  EXPECT_EQ(GetSelfVersion(), std::to_wstring(own[0]) + L"." + std::to_wstring(own[1]) + L"." +
                                  std::to_wstring(own[2]) + L"." + std::to_wstring(own[3]));
}

}  // namespace
