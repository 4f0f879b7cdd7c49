// Environment variables, the temporary folder and known folders of the
// simulated machine.
#include <gtest/gtest.h>

#include "platform/environment.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class EnvironmentTest : public testing::SimMachineTest {};

TEST_F(EnvironmentTest, VariablesFollowTheWin32BufferConvention) {
  UseProfile(R"({"env": {"Kiv_Test": "abcdef"}})");
  std::wstring value = L"before";
  EXPECT_EQ(GetEnvironmentValue(L"KIV_TEST", 7, &value), 6u);  // names are case-blind
  EXPECT_EQ(value, L"abcdef");
  value = L"before";
  EXPECT_EQ(GetEnvironmentValue(L"kiv_test", 6, &value), 7u);  // no room for the terminator
  EXPECT_EQ(value, L"before");
  EXPECT_EQ(GetEnvironmentValue(L"KIV_MISSING", 260, &value), 0u);
  EXPECT_EQ(GetLastErrorCode(), kErrorEnvVarNotFound);
}

TEST_F(EnvironmentTest, TempPathTakesTheFirstOfTmpTempUserProfileWindows) {
  struct Case {
    const char* env;
    const wchar_t* expected;
  } cases[] = {
      {R"({"TMP": "D:\\tmp", "TEMP": "E:\\temp"})", L"D:\\tmp\\"},
      {R"({"TMP": null, "TEMP": "E:\\temp\\"})", L"E:\\temp\\"},
      {R"({"TMP": null, "TEMP": null, "USERPROFILE": "C:\\Users\\x"})", L"C:\\Users\\x\\"},
      {R"({"TMP": null, "TEMP": null, "USERPROFILE": null})", L"C:\\Windows\\"},
  };
  for (const Case& c : cases) {
    UseProfile(std::string(R"({"env": )") + c.env + "}");
    std::wstring path;
    uint32_t length = GetTempPathValue(260, &path);
    EXPECT_EQ(path, c.expected) << c.env;
    EXPECT_EQ(length, path.size()) << c.env;
  }
}

TEST_F(EnvironmentTest, KnownFoldersComeFromTheProfileWithoutTrailingBackslash) {
  UseProfile(R"({"folders": {"common_documents": "D:\\Public\\Docs\\", "desktop": ""}})");
  std::wstring path;
  ASSERT_TRUE(GetKnownFolderPath(KnownFolder::kCommonDocuments, &path));
  EXPECT_EQ(path, L"D:\\Public\\Docs");
  ASSERT_TRUE(GetKnownFolderPath(KnownFolder::kLocalAppData, &path));
  EXPECT_EQ(path, L"C:\\Users\\me\\AppData\\Local");
  EXPECT_FALSE(GetKnownFolderPath(KnownFolder::kDesktopDirectory, &path));
}

}  // namespace
}  // namespace platform
