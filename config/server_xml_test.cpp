#include "config/server_xml.h"

#include <gtest/gtest.h>

#include <regex>

#include "system/text_convert.h"

namespace {

// Every runtime element and the field it fills, written out here on its own
// so that a misspelt element name in the reader shows.
const std::pair<const char*, std::wstring RuntimeConfig::*> kElements[] = {
    {"name", &RuntimeConfig::name},
    {"version", &RuntimeConfig::version},
    {"process_name", &RuntimeConfig::process_name},
    {"install_url", &RuntimeConfig::install_url},
    {"download_url", &RuntimeConfig::download_url},
    {"download_url_x64", &RuntimeConfig::download_url_x64},
    {"download_url_with_framework", &RuntimeConfig::download_url_with_framework},
    {"download_url_net", &RuntimeConfig::download_url_net},
    {"download_url_net_with_framework", &RuntimeConfig::download_url_net_with_framework},
    {"oiap_url", &RuntimeConfig::oiap_url},
    {"user_agreement_url", &RuntimeConfig::user_agreement_url},
    {"privacy_agreement_url", &RuntimeConfig::privacy_agreement_url},
    {"md5", &RuntimeConfig::md5},
    {"history_md5_32", &RuntimeConfig::history_md5_32},
    {"md5_64", &RuntimeConfig::md5_64},
    {"history_md5_64", &RuntimeConfig::history_md5_64},
    {"filesize", &RuntimeConfig::filesize},
    {"netfx_minver", &RuntimeConfig::netfx_minver},
    {"netfxlite_url", &RuntimeConfig::netfxlite_url},
    {"languages", &RuntimeConfig::languages},
    {"Url_Jump", &RuntimeConfig::Url_Jump},
    {"install_error_url", &RuntimeConfig::install_error_url},
    {"custom_install_path", &RuntimeConfig::custom_install_path},
    {"is_allow_install_admin_path", &RuntimeConfig::is_allow_install_admin_path},
    {"not_support_win32", &RuntimeConfig::not_support_win32},
};

bool Stamped(const std::wstring& banner, const std::string& before, char separator) {
  return std::regex_match(WideToUtf8(banner), std::regex(before + "\\" + separator + "_t=[0-9]+"));
}

TEST(ServerXml, AFullAnswerFillsEveryFieldAndListsItsBindItems) {
  std::string runtime;
  for (const auto& [element, field] : kElements) runtime += std::string("<") + element + ">v-" + element + "</" + element + ">";
  runtime += "<banner_url><![CDATA[http://b.test/page?x=1&y=2]]></banner_url>";
  const std::string doc =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><twrp><downloader><runtime>" + runtime +
      "</runtime><bind>"
      "<item><ProductID>10819</ProductID><ProductName>Mosswell</ProductName><ProductExe>m.exe</ProductExe>"
      "<Url_Down>u32</Url_Down><Url_Downx64>u64</Url_Downx64><md5>a</md5><history_md5_32>b</history_md5_32>"
      "<md5_64>c</md5_64><history_md5_64>d</history_md5_64><filesize>99</filesize>"
      "<ForceInstall>false</ForceInstall><ProductArg>pa</ProductArg><ProductInstallArg>pia</ProductInstallArg>"
      "<ProductInsCmple>pic</ProductInsCmple><ForkInstall>1</ForkInstall></item>"
      "<other/><item><ProductID>55</ProductID></item>"
      "<item><Url_Down>no-id</Url_Down></item>"
      "</bind></downloader></twrp>";
  RuntimeConfig config;
  ServerXmlAnswer answer = ReadServerXml(doc, &config);
  EXPECT_TRUE(answer.downloader);
  EXPECT_TRUE(answer.runtime);
  for (const auto& [element, field] : kElements) EXPECT_EQ(WideToUtf8(config.*field), std::string("v-") + element);
  EXPECT_TRUE(Stamped(config.banner_url, "http://b\\.test/page\\?x=1&y=2", '&')) << WideToUtf8(config.banner_url);

  ASSERT_EQ(answer.bindItems.size(), 3u);
  const DependentItem& m = answer.bindItems[0];
  EXPECT_EQ(m.ProductID + m.ProductName + m.ProductExe + m.Url_Down + m.Url_Downx64, L"10819Mosswellm.exeu32u64");
  EXPECT_EQ(m.md5 + m.history_md5_32 + m.md5_64 + m.history_md5_64 + L"|" + m.filesize, L"abcd|99");
  EXPECT_EQ(m.ForceInstall + m.ProductArg + m.ProductInstallArg + m.ProductInsCmple + m.ForkInstall, L"falsepapiapic1");
  EXPECT_EQ(answer.bindItems[1].ForceInstall, L"true");  // missing means forced
  EXPECT_FALSE(answer.bindItems[1].Qualifies());         // no URL
  EXPECT_FALSE(answer.bindItems[2].Qualifies());         // no id
}

// Each document against a configuration whose every field already says "old".
TEST(ServerXml, EachAnswerChangesOnlyWhatItCarries) {
  using namespace std::string_literals;
  std::string nested;
  for (int i = 0; i < 100000; ++i) nested += "<a>";
  // Valid documents of exactly the size limit and one byte more.
  const std::string head = "<twrp><downloader><runtime><name>N</name><pad>", tail = "</pad></runtime></downloader></twrp>";
  const std::string atLimit = head + std::string(kMaxServerXmlBytes - head.size() - tail.size(), 'x') + tail;
  struct Case {
    const char* what;
    std::string doc;
    bool downloader, runtime;
    size_t items;
    std::wstring name, version;
  } cases[] = {
      {"runtime then bind", "<twrp><downloader><runtime><name>N</name></runtime><bind><item><ProductID>1</ProductID></item></bind></downloader></twrp>", true, true, 1, L"N", L"old"},
      {"no runtime", "<twrp><downloader><x/><bind><item/><item/></bind></downloader></twrp>", true, false, 2, L"old", L"old"},
      {"bind before runtime", "<twrp><downloader><bind><item/></bind><runtime><name>N</name></runtime></downloader></twrp>", true, true, 0, L"N", L"old"},
      {"bind on both sides: the later one", "<twrp><downloader><bind><item/></bind><runtime/><bind><item/><item/></bind></downloader></twrp>", true, true, 2, L"old", L"old"},
      {"empty elements empty", "<twrp><downloader><runtime><name></name><version/></runtime></downloader></twrp>", true, true, 0, L"", L""},
      {"first of two runtimes", "<twrp><downloader><runtime><name>1</name></runtime><runtime><name>2</name></runtime></downloader></twrp>", true, true, 0, L"1", L"old"},
      {"CDATA and entities", "<twrp><downloader><runtime><name><![CDATA[a<b&c]]></name><version>1 &amp; 2</version></runtime></downloader></twrp>", true, true, 0, L"a<b&c", L"1 & 2"},
      {"invalid UTF-8 in a value", "<twrp><downloader><runtime><name>A\xff\xfe" "B\xc3</name></runtime></downloader></twrp>", true, true, 0, L"A??B?", L"old"},
      {"invalid UTF-8 in a name", "<twrp><downloader><runtime><na\xffme>N</na\xffme></runtime></downloader></twrp>", false, false, 0, L"old", L"old"},
      {"twrp without downloader", "<twrp><runtime><name>N</name></runtime></twrp>", false, false, 0, L"old", L"old"},
      {"other root", "<Product><downloader><runtime><name>N</name></runtime></downloader></Product>", false, false, 0, L"old", L"old"},
      {"broken", "<twrp><downloader><runtime><name>N</name>", false, false, 0, L"old", L"old"},
      {"empty text", "", false, false, 0, L"old", L"old"},
      {"HTML error page", "<html><head><title>500</title></head><body><h1>Internal Server Error</h1></body></html>", false, false, 0, L"old", L"old"},
      {"JSON", "{\"code\":0}", false, false, 0, L"old", L"old"},
      {"NUL byte ends the text", "<twrp><downloader/></twrp>\0<x/>"s, true, false, 0, L"old", L"old"},
      {"NUL byte inside", "<twrp><downloader>\0</downloader></twrp>"s, false, false, 0, L"old", L"old"},
      {"as long as allowed", atLimit, true, true, 0, L"N", L"old"},
      {"one byte too long", head + "x" + atLimit.substr(head.size()), false, false, 0, L"old", L"old"},
      {"nested beyond the limit", "<twrp><downloader><runtime><name>N</name>" + nested + "</runtime></downloader></twrp>", false, false, 0, L"old", L"old"},
  };
  for (const Case& c : cases) {
    RuntimeConfig config;
    for (const auto& [element, field] : kElements) config.*field = L"old";
    config.banner_url = L"old";
    ServerXmlAnswer answer = ReadServerXml(c.doc, &config);
    EXPECT_EQ(answer.downloader, c.downloader) << c.what;
    EXPECT_EQ(answer.runtime, c.runtime) << c.what;
    EXPECT_EQ(answer.bindItems.size(), c.items) << c.what;
    EXPECT_EQ(config.name, c.name) << c.what;
    EXPECT_EQ(config.version, c.version) << c.what;
    EXPECT_EQ(config.md5, L"old") << c.what;
    // The time parameter goes on whenever downloader exists.
    if (c.downloader) {
      EXPECT_TRUE(Stamped(config.banner_url, "old", '?')) << c.what << ": " << WideToUtf8(config.banner_url);
    } else {
      EXPECT_EQ(config.banner_url, L"old") << c.what;
    }
  }
}

TEST(ServerXml, WithoutAnyBannerTheTimeParameterStandsAlone) {
  RuntimeConfig config;
  ReadServerXml("<twrp><downloader/></twrp>", &config);
  EXPECT_TRUE(Stamped(config.banner_url, "", '?')) << WideToUtf8(config.banner_url);
}

TEST(ServerXml, RequestUrlForms) {
  ProductConfig p;
  p.ServerHost = L"http://s.test/platform/";
  p.ProductID = L"10527";
  p.SceneCode = L"s 9";
  p.Downurl.Url_Down = L"http://cdn.test/pkg/v2/setup.exe";
  p.Channel = L"summer";
  const std::wstring service = L"http://s.test/platform/rest/v2/downloader/runtime/?client_sign={c}&product_id=10527";
  EXPECT_EQ(ServerXmlUrl(p, L"{c}", L"4.3.1.7", true), service + L"&kiv=4.3.1&scene_code=s 9&platform=win_x64");
  EXPECT_EQ(ServerXmlUrl(p, L"{c}", L"", false), service + L"&kiv=3.0.5&scene_code=s 9&platform=win_x86");
  p.AppID = L"ink";
  EXPECT_EQ(ServerXmlUrl(p, L"{c}", L"4.3.1.7", true), L"http://cdn.test/pkg/v2/xml/ink_summer.xml");
  p.Channel.clear();
  EXPECT_EQ(ServerXmlUrl(p, L"{c}", L"4.3.1.7", true), service + L"&kiv=4.3.1&scene_code=s 9&platform=win_x64");
}

TEST(ServerXml, DigestsAndEventValues) {
  EXPECT_EQ(JoinDigests({L"a", L"", L"c", L"d"}), L"a,c,d");
  EXPECT_EQ(JoinDigests({L"", L"", L"", L""}), L"");
  RuntimeConfig r;
  r.filesize = L"6442450944";  // 6 GiB: needs all 64 bits
  r.name = L"N";
  r.md5_64 = L"m64";
  ConfigEventValues event = ConfigEventFrom(r, 28);
  EXPECT_EQ(event.pkg_size, 6442450944LL);
  EXPECT_EQ(event.name + L"|" + event.x64_pkg_md5 + L"|" + event.pkg_url, L"N|m64|");
  EXPECT_EQ(event.error_code, 28);
  r.filesize = L"many";
  EXPECT_EQ(ConfigEventFrom(r, 0).pkg_size, 0);
}

}  // namespace
