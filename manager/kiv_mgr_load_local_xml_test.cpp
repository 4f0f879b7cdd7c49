#include <cjson/cJSON.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "manager/kiv_mgr.h"
#include "platform/files.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/system_info.h"
#include "system/log.h"
#include "system/process_launch.h"
#include "system/registry_records.h"
#include "system/simple_log.h"
#include "system/text_convert.h"
#include "telemetry/run_stats.h"

namespace {

const std::string kDocument = R"(<?xml version="1.0" encoding="UTF-8"?>
<Product>
  <ProductBrand>Tarnwick</ProductBrand><ProductName>Tarnwick Inkwell</ProductName>
  <ProductID>10527</ProductID><AppID>inkwell_setup</AppID><Channel>summer</Channel>
  <SceneCode>s9</SceneCode><ServerHost>http://127.0.0.1:1/p</ServerHost>
  <CustomInstallPath>C:\Apps\</CustomInstallPath>
  <Dependent>
    <item><ProductID>10819</ProductID><Url_Downx64>http://127.0.0.1:1/m64.exe</Url_Downx64></item>
    <item><ProductID>77</ProductID><ForceInstall>false</ForceInstall><Url_Down>u</Url_Down></item>
    <item><ProductID>88</ProductID></item>
  </Dependent>
  <Clipboard><Access>1</Access><Keyword>INK-</Keyword></Clipboard>
</Product>)";

// A machine whose product configuration resource is `resource` (nullptr: missing).
std::string ProfileWith(const char* resource, const char* extra = "") {
  cJSON* profile = cJSON_Parse((std::string("{") + extra + "}").c_str());
  cJSON* resources = cJSON_AddObjectToObject(profile, "resources");
  if (resource) {
    cJSON_AddStringToObject(resources, "XML/106", resource);
  } else {
    cJSON_AddNullToObject(resources, "XML/106");
  }
  char* text = cJSON_PrintUnformatted(profile);
  std::string json = text;
  cJSON_free(text);
  cJSON_Delete(profile);
  return json;
}

// Every test here takes its product configuration from the machine's resources.
class LoadLocalXmlTest : public platform::testing::MachineTest {
 protected:
  void SetUp() override { UseProfile(ProfileWith(kDocument.c_str())); }
  void TearDown() override {
    InstallLogger(nullptr);
    MachineTest::TearDown();
  }
  // Loads with a fresh manager and log; returns the log text.
  std::string Load(const std::string& profile, bool expected) {
    UseProfile(profile);
    const std::string logFile = WideToAnsi(Scratch()) + "twKIV.log";
    logger_ = std::make_unique<simpleLog>(logFile);
    logger_->Open();
    InstallLogger(logger_.get());
    mgr_ = std::make_unique<KivMgr>();
    EXPECT_EQ(mgr_->LoadLocalXml(), expected);
    std::string text;
    platform::ReadWholeFile(AnsiToWide(logFile), &text);
    return text;
  }
  std::unique_ptr<simpleLog> logger_;
  std::unique_ptr<KivMgr> mgr_;
};

TEST_F(LoadLocalXmlTest, FillsTheRunsDerivedValuesAndStatistics) {
  std::string log = Load(ProfileWith(kDocument.c_str(), R"("clipboard": "INK-4711 promo")"), true);
  const KivMgr& m = *mgr_;
  EXPECT_EQ(m.productConfig.ProductName, L"Tarnwick Inkwell");
  EXPECT_EQ(m.saveFolder, L"C:\\Users\\Public\\Documents\\Tarnwick\\");
  EXPECT_EQ(m.runConfigPath, L"C:\\Users\\Public\\Documents\\Tarnwick\\KIV_DOWNTASK_10527.xml");
  EXPECT_EQ(m.defaultInstallBase, L"C:\\Apps\\");
  EXPECT_EQ(m.clipboardTag, L"INK-4711 promo");
  ASSERT_EQ(m.productConfig.Dependent.size(), 2u);

  RunStats& stats = TheRunStats();
  EXPECT_EQ(stats.PlatformBase(), L"http://127.0.0.1:1/p/");
  EXPECT_EQ(stats.Get("product_id"), "10527");
  EXPECT_EQ(stats.Get("channel"), "summer");
  EXPECT_EQ(stats.Get("defchannel"), "summer");
  EXPECT_EQ(stats.Get("scene_code"), "s9");
  EXPECT_TRUE(std::regex_match(stats.Get("client_sign"), std::regex(R"(\{[0-9a-f-]{36}G\})")));
  EXPECT_EQ(stats.TaskRecord(10819).forceFlag, 1);
  EXPECT_EQ(stats.TaskRecord(77).forceFlag, 0);
  EXPECT_EQ(ReadDefaultChannel(), L"summer");

  EXPECT_THAT(log, ::testing::HasSubstr("[INFO] config folder=[C:\\Users\\Public\\Documents\\Tarnwick\\]."));
  for (const char* pid : {"10819", "77", "88"}) {
    EXPECT_THAT(log, ::testing::HasSubstr(std::string("[INFO] LoadLocalXml, dependent.item pid=[") + pid + "]."));
  }
}

TEST_F(LoadLocalXmlTest, ClipboardTagNeedsTheKeywordAtTheStart) {
  Load(ProfileWith(kDocument.c_str(), R"("clipboard": "promo INK-4711")"), true);
  EXPECT_EQ(mgr_->clipboardTag, L"");
  Load(ProfileWith(kDocument.c_str(), R"("clipboard": null)"), true);
  EXPECT_EQ(mgr_->clipboardTag, L"");
}

TEST_F(LoadLocalXmlTest, On32BitWindowsTheX64PackageIsIgnored) {
  const char* doc = "<Product><Downurl_x64><Url_Down>x64</Url_Down></Downurl_x64></Product>";
  Load(ProfileWith(doc, R"("os": {"bits": 32, "wow64": false})"), true);
  EXPECT_EQ(mgr_->productConfig.Downurl_x64.Url_Down, L"");
  Load(ProfileWith(doc), true);
  EXPECT_EQ(mgr_->productConfig.Downurl_x64.Url_Down, L"x64");
}

TEST_F(LoadLocalXmlTest, InvalidUtf8BecomesQuestionMarks) {
  Load(ProfileWith("<Product><ProductName>A\xff\xfe" "B</ProductName></Product>"), true);
  EXPECT_EQ(mgr_->productConfig.ProductName, L"A??B");
}

TEST_F(LoadLocalXmlTest, AnAbsurdlyLongElementStillLoads) {
  std::string doc = "<Product><ProductArg>" + std::string(8 << 20, 'a') + "</ProductArg></Product>";
  Load(ProfileWith(doc.c_str()), true);
  EXPECT_EQ(mgr_->productConfig.ProductArg.size(), 8u << 20);
}

TEST_F(LoadLocalXmlTest, BrokenResourcesFailWithTheirLogLine) {
  struct Case {
    const char* resource;
    const char* line;
  } cases[] = {
      {nullptr, "[ERROR] LoadLocalXml, find failed!"},
      {"", "[ERROR] LoadLocalXml, size error!"},
      {"<Product><ProductName>cut", "[ERROR] LoadLocalXml err 3"},
      {"{\"json\": true}", "[ERROR] LoadLocalXml err 3"},
      {"<Product>\xc3</Product><x/>", "[ERROR] LoadLocalXml err 3"},
      {"<Produkt/>", "[ERROR] LoadLocalXml, not find product."},
  };
  for (const auto& c : cases) {
    std::string log = Load(ProfileWith(c.resource), false);
    EXPECT_THAT(log, ::testing::HasSubstr(c.line)) << (c.resource ? c.resource : "(missing)");
  }
}

}  // namespace

namespace {

using KivMgrTest = platform::testing::MachineTest;

TEST_F(KivMgrTest, RecordedUrlOpeningsReachTheRunStatistics) {
  REQUIRE_SIMULATED_MACHINE("the shell's answer to opening a web page");
  KivMgr mgr;
  ASSERT_TRUE(OpenUrlInBrowser(L"http://127.0.0.1:1/installed", true));
  EXPECT_EQ(TheRunStats().Get("installpageopencode"), "42");
  EXPECT_NEAR(std::stoll(TheRunStats().Get("installpageopentime")), platform::GetUnixTimeNow(), 5);
}

TEST_F(KivMgrTest, TheDefaultInstallBaseOnSixtyFourBitWindowsIsThe64BitFolder) {
  USE_PROFILE(R"J({"os": {"bits": 64, "wow64": true}, "env": {"ProgramFiles(x86)": "C:\\Program Files (x86)"}})J");
  EXPECT_EQ(KivMgr().defaultInstallBase, L"C:\\Program Files\\");
  USE_PROFILE(R"J({"os": {"bits": 64, "wow64": true}, "env": {"ProgramFiles(x86)": "C:\\Apps (x86)"}})J");
  EXPECT_EQ(KivMgr().defaultInstallBase, L"C:\\Apps\\");  // " (x86)" removed
}

TEST_F(KivMgrTest, TheDefaultInstallBaseOnThirtyTwoBitWindows) {
  USE_PROFILE(R"({"os": {"bits": 32, "wow64": false}, "env": {"ProgramFiles": "C:\\Programs32"}})");
  EXPECT_EQ(KivMgr().defaultInstallBase, L"C:\\Programs32\\");
}

}  // namespace
