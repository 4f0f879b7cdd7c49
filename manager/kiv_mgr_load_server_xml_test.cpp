#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <regex>

#include "manager/kiv_mgr.h"
#include "platform/files.h"
#include "platform/testing/http_test_server.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/os_info.h"
#include "system/simple_log.h"
#include "system/text_convert.h"
#include "system/version.h"
#include "telemetry/run_stats.h"

namespace {

using platform::testing::HttpFault;
using platform::testing::HttpReply;
using platform::testing::HttpRequestRecord;
using platform::testing::HttpTestServer;
using ::testing::HasSubstr;
using ::testing::Not;

// The stored client identifier of the brand "Acme".
const char kMachine[] = R"({"registry": {"HKCU\\Software\\Acme\\Acme Quayside": {"ClientSign": "{sign}"}}})";
const char kServicePath[] = "/platform/rest/v2/downloader/runtime/";

DependentItem Item(const wchar_t* id, const wchar_t* url) {
  DependentItem item;
  item.ProductID = id;
  item.Url_Down = url;
  return item;
}

class LoadServerXmlTest : public platform::testing::MachineTest {
 protected:
  void SetUp() override {
    USE_PROFILE(kMachine);
    ASSERT_TRUE(server_.Start());
    ProductConfig& p = mgr_.productConfig;
    p.ProductBrand = L"Acme";
    p.ProductID = L"10527";
    p.SceneCode = L"s9";
    p.Channel = L"summer";
    p.ServerHost = Utf8ToWide(server_.Url("/platform/"));
    p.Downurl.Url_Down = Utf8ToWide(server_.Url("/pkg/v2/setup.exe"));
    p.Dependent = {Item(L"10819", L"local-m"), Item(L"77", L"local-77")};
    logFile_ = WideToAnsi(Scratch()) + "twKIV.log";
    logger_ = std::make_unique<simpleLog>(logFile_);
    logger_->Open();
    InstallLogger(logger_.get());
  }
  void TearDown() override {
    InstallLogger(nullptr);
    MachineTest::TearDown();
  }
  // Loads and returns the log it wrote.
  std::string Load() {
    EXPECT_TRUE(mgr_.LoadServerXml());
    std::string text;
    platform::ReadWholeFile(AnsiToWide(logFile_), &text);
    return text;
  }
  std::wstring DependentIds() const {
    std::wstring ids;
    for (const DependentItem& d : mgr_.productConfig.Dependent) ids += d.ProductID + L"=" + d.Url_Down + L" ";
    return ids;
  }

  HttpTestServer server_{"127.0.0.1"};
  KivMgr mgr_;
  std::string logFile_;
  std::unique_ptr<simpleLog> logger_;
};

TEST_F(LoadServerXmlTest, AFullAnswerIsReadMergedAndReported) {
  server_.Serve(kServicePath,
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<twrp><downloader><runtime>"
                "<name>Inkwell</name><version>5.2.1</version><process_name>ink.exe</process_name>"
                "<download_url>http://cdn.test/i32.exe</download_url><download_url_x64>http://cdn.test/i64.exe</download_url_x64>"
                "<md5>a32</md5><history_md5_32>h32</history_md5_32><md5_64>a64</md5_64><history_md5_64>h64</history_md5_64>"
                "<filesize>6442450944</filesize><banner_url>http://b.test/</banner_url></runtime><bind>"
                "<item><ProductID>10819</ProductID><Url_Downx64>srv-m</Url_Downx64><md5_64>m64</md5_64>"
                "<history_md5_32>mh32</history_md5_32></item>"
                "<item><ProductID>555</ProductID><Url_Down>srv-555</Url_Down><ForceInstall>no</ForceInstall></item>"
                "<item><ProductID>666</ProductID></item>"
                "</bind></downloader></twrp>");
  std::string log = Load();
  const RuntimeConfig& r = mgr_.runtimeConfig;
  EXPECT_EQ(r.name, L"Inkwell");
  EXPECT_EQ(r.download_url_x64, L"http://cdn.test/i64.exe");
  EXPECT_TRUE(std::regex_match(WideToUtf8(r.banner_url), std::regex(R"(http://b\.test/\?_t=\d+)")));

  // The server's 10819 replaces the local one and goes to the end; 666 has no URL.
  EXPECT_EQ(DependentIds(), L"77=local-77 10819= 555=srv-555 ");
  EXPECT_EQ(mgr_.productConfig.Dependent[1].Url_Downx64, L"srv-m");
  RunStats& stats = TheRunStats();
  EXPECT_EQ(stats.TaskRecord(10819).forceFlag, 1);
  EXPECT_EQ(stats.TaskRecord(10819).digests, "mh32,m64");
  EXPECT_EQ(stats.TaskRecord(555).forceFlag, 0);
  EXPECT_EQ(stats.TaskRecord(555).digests, "");
  EXPECT_EQ(stats.Get("serverxmlmd5"), "a32,h32,h64,a64");
  EXPECT_EQ(stats.Get("xmlprodcutver"), "5.2.1");

  ConfigEventValues expected{L"Inkwell", L"ink.exe", 6442450944LL, L"http://cdn.test/i32.exe", L"a32",
                             L"http://cdn.test/i64.exe", L"a64", 0};
  EXPECT_EQ(mgr_.lastConfigEvent, expected);

  EXPECT_THAT(log, HasSubstr("[INFO] LoadServerXml downloader.runtime."));
  for (const char* pid : {"10819", "555", "666"}) {
    EXPECT_THAT(log, HasSubstr(std::string("[INFO] LoadServerXml bind.item pid=[") + pid + "]."));
  }
}

// Answers that carry less, or nothing usable: the call still succeeds, and
// whatever the answer lacks stays as the product configuration had it.
TEST_F(LoadServerXmlTest, PartialAndUnusableAnswersLeaveTheLocalConfigurationInForce) {
  const std::string bind = "<bind><item><ProductID>77</ProductID><Url_Down>srv-77</Url_Down></item></bind>";
  auto reply = [](int status, std::string body) {
    HttpReply r;
    r.status = status;
    r.body = std::move(body);
    return r;
  };
  HttpReply stall;
  stall.fault.stallBeforeResponse = true;
  HttpReply huge = reply(200, "<twrp><downloader><runtime><name>Big</name><padding>" + std::string(20 << 20, 'x') +
                                  "</padding></runtime></downloader></twrp>");
  struct Case {
    const char* what;
    HttpReply reply;
    std::wstring name;
    std::wstring dependents;
    const char* banner;  // regex
    bool runtimeLogged;
    bool transferOk;
  } cases[] = {
      {"no runtime", reply(200, "<twrp><downloader>" + bind + "</downloader></twrp>"), L"",
       L"10819=local-m 77=srv-77 ", R"(\?_t=\d+)", false, true},
      {"bind before runtime", reply(200, "<twrp><downloader>" + bind + "<runtime><name>N</name></runtime></downloader></twrp>"),
       L"N", L"10819=local-m 77=local-77 ", R"(\?_t=\d+)", true, true},
      {"empty body", reply(200, ""), L"", L"10819=local-m 77=local-77 ", "", false, true},
      {"broken XML", reply(200, "<twrp><downloader><runtime><name>N</name>"), L"", L"10819=local-m 77=local-77 ", "", false, true},
      {"HTML 404 page", reply(404, "<html><body><h1>Not Found</h1></body></html>"), L"", L"10819=local-m 77=local-77 ", "", false, true},
      {"HTML 500 page", reply(500, "<!DOCTYPE html><html><body>oops</body></html>"), L"", L"10819=local-m 77=local-77 ", "", false, true},
      {"invalid UTF-8", reply(200, "<twrp><downloader><runtime><name>A\xff\xc0Z</name></runtime></downloader></twrp>"),
       L"A??Z", L"10819=local-m 77=local-77 ", R"(\?_t=\d+)", true, true},
      {"20 MB answer: not read", huge, L"", L"10819=local-m 77=local-77 ", "", false, true},
      {"never answers", stall, L"", L"10819=local-m 77=local-77 ", "", false, false},
  };
  const std::vector<DependentItem> local = mgr_.productConfig.Dependent;
  for (const Case& c : cases) {
    mgr_.runtimeConfig = RuntimeConfig();
    mgr_.productConfig.Dependent = local;
    server_.Handle(kServicePath, [&](const HttpRequestRecord&) { return c.reply; });
    auto start = std::chrono::steady_clock::now();
    std::string log = Load();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(12)) << c.what;
    EXPECT_EQ(mgr_.runtimeConfig.name, c.name) << c.what;
    EXPECT_EQ(mgr_.runtimeConfig.download_url, L"") << c.what;
    EXPECT_EQ(DependentIds(), c.dependents) << c.what;
    EXPECT_TRUE(std::regex_match(WideToUtf8(mgr_.runtimeConfig.banner_url), std::regex(c.banner))) << c.what;
    EXPECT_EQ(log.find("[INFO] LoadServerXml downloader.runtime.") != std::string::npos, c.runtimeLogged) << c.what;
    // Only the stamped banner shows that a runtime configuration was there.
    EXPECT_EQ(log.find("[WARN] LoadServerXml, no runtime configuration") != std::string::npos, *c.banner == 0) << c.what;
    EXPECT_EQ(mgr_.lastConfigEvent.error_code == 0, c.transferOk) << c.what << " " << mgr_.lastConfigEvent.error_code;
    EXPECT_EQ(mgr_.lastConfigEvent.name, c.name) << c.what;
    EXPECT_EQ(TheRunStats().Get("serverxmlmd5"), "") << c.what;
    EXPECT_EQ(TheRunStats().Get("xmlprodcutver"), "") << c.what;
    // Each case reads its own log lines only.
    logger_->Open();
  }
}

// The machine's bitness is pinned by the platform tests below.
std::string MachinePlatform() { return IsWow64() ? "win_x64" : "win_x86"; }

std::string OwnVersionParam() {
  std::wstring own = GetSelfVersion();
  return own.empty() ? "3.0.5" : WideToUtf8(own.substr(0, own.rfind(L'.')));
}

TEST_F(LoadServerXmlTest, TheRequestGoesToTheServiceOrToTheFileBesideThePackage) {
  server_.Serve(kServicePath, "");
  server_.Serve("/pkg/v2/xml/ink_summer.xml", "<twrp><downloader><runtime><name>static</name></runtime></downloader></twrp>");
  struct Case {
    const wchar_t* appId;
    const wchar_t* channel;
    std::string path, query;
  } cases[] = {
      {L"", L"summer", kServicePath,
       "client_sign={sign}&product_id=10527&kiv=" + OwnVersionParam() + "&scene_code=s9&platform=" + MachinePlatform()},
      {L"ink", L"", kServicePath,
       "client_sign={sign}&product_id=10527&kiv=" + OwnVersionParam() + "&scene_code=s9&platform=" + MachinePlatform()},
      {L"ink", L"summer", "/pkg/v2/xml/ink_summer.xml", ""},
  };
  for (const Case& c : cases) {
    server_.ClearRecords();
    mgr_.productConfig.AppID = c.appId;
    mgr_.productConfig.Channel = c.channel;
    std::string log = Load();
    std::vector<HttpRequestRecord> requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].version, "HTTP/1.0");
    EXPECT_EQ(requests[0].path, c.path);
    EXPECT_EQ(requests[0].query, c.query);
    std::string url = server_.Url(requests[0].target);
    EXPECT_THAT(log, HasSubstr("[INFO] LoadServerXml, url=[" + url + "]."));
    logger_->Open();
  }
  EXPECT_EQ(mgr_.runtimeConfig.name, L"static");
}

// The platform key follows the machine's bitness.
void ExpectPlatformKey(HttpTestServer* server, KivMgr* mgr, const char* expected) {
  server->Serve(kServicePath, "");
  EXPECT_TRUE(mgr->LoadServerXml());
  ASSERT_EQ(server->Requests().size(), 1u);
  EXPECT_THAT(server->Requests()[0].query, HasSubstr(std::string("&platform=") + expected));
}

TEST_F(LoadServerXmlTest, ThirtyTwoBitWindowsAsksForThe32BitPlatform) {
  USE_PROFILE(std::string(kMachine).insert(1, R"("os": {"bits": 32, "wow64": false}, )"));
  ExpectPlatformKey(&server_, &mgr_, "win_x86");
}

TEST_F(LoadServerXmlTest, SixtyFourBitWindowsAsksForThe64BitPlatform) {
  USE_PROFILE(std::string(kMachine).insert(1, R"("os": {"bits": 64, "wow64": true}, )"));
  ExpectPlatformKey(&server_, &mgr_, "win_x64");
}

TEST_F(LoadServerXmlTest, EffectiveValuesPreferTheServersWhenItGivesOne) {
  ProductConfig& p = mgr_.productConfig;
  RuntimeConfig& r = mgr_.runtimeConfig;
  p.ProductName = L"local name";
  p.Url_License = L"local licence";
  p.Languages = L"English";
  p.UserAgreementUrl = L"local ua";
  p.PrivacyAgreementUrl = L"local privacy";
  p.InstallErrorUrl = L"local error";
  p.Installurl.Url_Install = L"local page";
  p.NotSupportWin32 = L"1";
  p.IsAllowInstallAdminPath = L"0";
  p.CustomInstallPath = L"C:\\Local\\";
  auto effective = [&] {
    return mgr_.DisplayName() + L"|" + mgr_.LicensePage() + L"|" + mgr_.LanguageList() + L"|" + mgr_.UserAgreementPage() +
           L"|" + mgr_.PrivacyAgreementPage() + L"|" + mgr_.InstallErrorPage() + L"|" + mgr_.InstallPage() + L"|" +
           mgr_.ResolveCustomInstallPath() + L"|" + (mgr_.IsNotSupportX86() ? L"no32" : L"32") + L"|" +
           (mgr_.IsAllowInstallAdminPath() ? L"admin ok" : L"no admin");
  };
  EXPECT_EQ(effective(), L"local name|local licence|English|local ua|local privacy|local error|local page|"
                         L"C:\\Local\\|no32|no admin");
  r.name = L"srv name";
  r.oiap_url = L"srv licence";
  r.languages = L"Deutsch";
  r.user_agreement_url = L"srv ua";
  r.privacy_agreement_url = L"srv privacy";
  r.install_error_url = L"srv error";
  r.install_url = L"srv page";  // only when the local side allows it
  r.custom_install_path = L"C:\\Server\\";
  r.not_support_win32 = L"0";
  r.is_allow_install_admin_path = L"1";
  EXPECT_EQ(effective(), L"srv name|srv licence|Deutsch|srv ua|srv privacy|srv error|local page|"
                         L"C:\\Server\\|32|admin ok");
  p.Installurl.OnlyUseLocalUrl = L"0";
  EXPECT_EQ(mgr_.InstallPage(), L"srv page");
  r.install_url.clear();
  EXPECT_EQ(mgr_.InstallPage(), L"local page");
  r.is_allow_install_admin_path.clear();
  p.IsAllowInstallAdminPath = L"";  // only "0" refuses
  EXPECT_TRUE(mgr_.IsAllowInstallAdminPath());
}

TEST_F(LoadServerXmlTest, TheDotNetRequirementTakesOneWholePair) {
  struct Case {
    const wchar_t *serverVersion, *serverUrl, *localVersion, *localUrl;
    bool needed;
    std::wstring version, url;
  } cases[] = {
      {L"4.8", L"srv", L"4.0", L"loc", true, L"4.8", L"srv"},
      {L"4.8", L"", L"4.0", L"loc", true, L"4.0", L"loc"},
      {L"", L"srv", L"4.0", L"", false, L"", L""},
      {L"", L"", L"", L"", false, L"", L""},
  };
  for (const Case& c : cases) {
    mgr_.runtimeConfig.netfx_minver = c.serverVersion;
    mgr_.runtimeConfig.netfxlite_url = c.serverUrl;
    mgr_.productConfig.Dotnetminver = c.localVersion;
    mgr_.productConfig.Dotneturl = c.localUrl;
    std::wstring version = L"x", url = L"x";
    EXPECT_EQ(mgr_.DotNetRequirement(&version, &url), c.needed);
    EXPECT_EQ(version + L"|" + url, c.version + L"|" + c.url);
  }
}

TEST_F(LoadServerXmlTest, TheBannerIsTheServersWithItsTimeParameter) {
  EXPECT_EQ(mgr_.BannerUrl(), L"");
  server_.Serve(kServicePath, "<twrp><downloader><runtime><banner_url>http://b.test/?a=1</banner_url></runtime></downloader></twrp>");
  Load();
  EXPECT_TRUE(std::regex_match(WideToUtf8(mgr_.BannerUrl()), std::regex(R"(http://b\.test/\?a=1&_t=\d+)")));
}

}  // namespace
