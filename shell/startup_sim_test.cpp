// The start-up's failures that only the simulated machine can bring about
// (no administrator rights, a broken resource, COM failing) and what they
// show the user, from its journal. The start-up runs in a forked child per
// case (a death test), since it sets up process-wide state; the parent plays
// the other copy where needed.
#include "shell/startup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/semaphore.h"
#include "platform/sim_control.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/windowing.h"

namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

const std::wstring kLogFolder = L"C:\\Users\\me\\AppData\\Local\\Temp\\Tarnwick\\KIV\\";
const std::wstring kProduct = L"Tarnwick Inkwell";  // the embedded demo product

class StartupTest : public platform::testing::SimMachineTest {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "fast");  // the child keeps this test's machine
    SimMachineTest::SetUp();
  }
  static std::string LogText(const wchar_t* name) {
    std::string text;
    platform::ReadWholeFile(kLogFolder + name, &text);
    return text;
  }
  static std::string Journal() {
    std::string all;
    for (const auto& line : platform::sim::ReadJournal()) all += line + "\n";
    return all;
  }
};

// Runs the start-up in a child with `commandLine` and expects `exitCode`.
#define EXPECT_START(commandLine, exitCode) \
  EXPECT_EXIT(exit(KivMain(commandLine)), ::testing::ExitedWithCode((exitCode) & 0xFF), "")

TEST_F(StartupTest, WithoutAdministratorRightsOnlyTheNormalModeSaysSo) {
  UseProfile(R"({"admin": false})");
  EXPECT_START("", -1);
  EXPECT_THAT(LogText(L"twKIV.log"),
              HasSubstr("[ERROR] You must be logged in as administrator when installing this program."));
  EXPECT_THAT(Journal(), AllOf(HasSubstr("\"kind\":\"message_box\""),
                               HasSubstr("You must be logged in as administrator when installing this program."),
                               HasSubstr("\"caption\":\"Error\"")));
  UseProfile(R"({"admin": false})");
  EXPECT_START("OnlyForkInstallDependent=1", -1);
  EXPECT_THAT(LogText(L"twForkKIV.log"), HasSubstr("[ERROR] You must be logged in as administrator"));
  EXPECT_EQ(Journal(), "");
}

TEST_F(StartupTest, AProductConfigurationThatCanNotBeLoadedEndsTheStart) {
  const char* broken[] = {R"({"resources": {"XML/106": null}})", R"({"resources": {"XML/106": ""}})",
                          R"({"resources": {"XML/106": "<Product><ProductName>cut"}})",
                          R"({"resources": {"XML/106": "<Other/>"}})"};
  for (const char* profile : broken) {
    UseProfile(profile);
    EXPECT_START("", -1);
    EXPECT_THAT(LogText(L"twKIV.log"), HasSubstr("[ERROR] LoadLocalXml failed!")) << profile;
    EXPECT_THAT(Journal(), HasSubstr("Load product xml error.")) << profile;
  }
  UseProfile(broken[0]);
  EXPECT_START("OnlyForkInstallDependent=1", -1);
  EXPECT_EQ(Journal(), "");
}

TEST_F(StartupTest, ALanguageTableThatCanNotBeLoadedEndsTheStart) {
  const char* broken[] = {R"({"resources": {"XML/131": null}})", R"({"resources": {"XML/131": ""}})",
                          R"({"resources": {"XML/131": "<Lang><item name=\"a\">cut"}})",
                          R"({"resources": {"XML/131": "<Texts/>"}})"};
  for (const char* profile : broken) {
    UseProfile(profile);
    EXPECT_START("", -1);
    EXPECT_THAT(LogText(L"twKIV.log"), HasSubstr("[ERROR] loadLangXML failed!")) << profile;
    EXPECT_THAT(Journal(), AllOf(HasSubstr("Load lang xml error."), HasSubstr("\"caption\":\"Error\""))) << profile;
  }
  UseProfile(broken[0]);
  EXPECT_START("OnlyForkInstallDependent=1", -1);
  EXPECT_THAT(LogText(L"twForkKIV.log"), HasSubstr("[ERROR] loadLangXML failed!"));
  EXPECT_EQ(Journal(), "");
}

TEST_F(StartupTest, ASecondNormalCopyActivatesTheFirstCopysWindowAndLeaves) {
  bool existed = true;
  auto first = platform::CreateNamedSemaphore(kProduct + L"_kiv", 1, 1, &existed);
  ASSERT_TRUE(first);
  ASSERT_FALSE(existed);
  platform::WindowHandle window = platform::CreateTopLevelWindow(L"KIV", kProduct);
  ASSERT_NE(window, 0u);
  platform::ShowWindowAs(window, platform::kSwShowMinimized);

  EXPECT_START("", -1);
  EXPECT_THAT(LogText(L"twKIV.log"), HasSubstr("[WARN] Already exist PreInstance."));
  const std::string w = "\"window\":\"" + std::to_string(window) + "\"";
  EXPECT_THAT(Journal(), HasSubstr("\"kind\":\"show_window\"," + std::string("\"pid\":")));
  EXPECT_THAT(Journal(), HasSubstr(w + ",\"command\":\"9\""));  // restored, since it was minimised
  EXPECT_THAT(Journal(), HasSubstr("\"kind\":\"foreground\""));
  EXPECT_FALSE(platform::IsWindowMinimized(window));
  platform::DestroyTopLevelWindow(window);
}

TEST_F(StartupTest, AFailingComInitialisationEndsTheStart) {
  UseProfile(R"({"com_fails": true})");
  EXPECT_START("", -1);
  EXPECT_THAT(LogText(L"twKIV.log"), HasSubstr("[ERROR] CoInitialize failed! err=["));
}

}  // namespace
