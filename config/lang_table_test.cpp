#include "config/lang_table.h"

#include <gtest/gtest.h>

#include <set>

#include "config/lang_texts.h"
#include "config/locale_table.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/simple_log.h"
#include "system/text_convert.h"

namespace {

// The keys the window, the dialogs and the tray look up.
const std::set<std::wstring> kKeys = {
    L"errmsg_md5", L"errmsg_disk", L"errmsg_connect", L"errmsg_downfailed", L"errmsg_install",
    L"errmsg_pathnoexist", L"tipmsg_installed", L"tipmsg_licenseaccept", L"tipmsg_close", L"tipmsg_close2",
    L"tipmsg_webdown", L"tipmsg_adminpath", L"TrayMenuTxt", L"TrayIconTip1", L"TrayIconTip2", L"TrayIconTip3",
    L"SelectFolderTip", L"Btn_Install", L"Btn_Run", L"Btn_Privacy", L"and", L"Btn_License", L"Btn_Modify",
    L"Lbl_InstallFolder", L"Lbl_JoinUserExp", L"Btn_Minimal", L"Btn_Close", L"Lbl_ProgressTip",
    L"Lbl_selectlang", L"Lbl_offlineInstaller", L"Lbl_CheckWarn", L"Lbl_Check", L"Lbl_Install_Msw",
    L"agree_by_download", L"downloading_tip", L"installing_tip", L"new_download_time_tip",
    L"new_install_time_tip", L"wait_for_time_tip", L"install_wizard", L"install_failed",
    L"if_install_failed_tip", L"check_network", L"check_disk", L"retry", L"download_pkg",
    L"report_contact_tip", L"contact_tip", L"remark_tip", L"get_help", L"send_error_report", L"reported_tip",
    L"information", L"error", L"warning", L"ok", L"cancel", L"yes", L"no", L"install_error",
    L"not_enough_disk_space", L"change_install_location", L"clean_disk", L"change_dir_or_clean_disk",
    L"unavailable_dir_tip", L"product_is_running_tip", L"continue_to_install", L"give_up",
    L"confirm_stop_download?", L"cannot_stop_install", L"cannot_set_installation_path", L"not_support_x86",
    L"please_input_email", L"please_input_correct_email", L"email_long_than_50", L"email_address",
    L"redeem_tip", L"redeem_tip_not_again", L"redeem_tip_fail", L"privacy_wnd_title", L"privacy_wnd_tip",
    L"privacy_wnd_privacy", L"privacy_wnd_and", L"privacy_wnd_eula", L"privacy_wnd_agree_install",
    L"privacy_wnd_not_agree", L"main_privacy_tip",
};

// Texts whose placeholders and markup the callers format or the toolkit reads.
const std::pair<const wchar_t*, const wchar_t*> kFormatTexts[] = {
    {L"errmsg_disk", L"磁盘没有足够的空间，%s安装失败，请释放出更多空间并重试"},
    {L"errmsg_downfailed", L"对不起，下载%s失败，请确认网络连接正常并重新下载"},
    {L"errmsg_install", L"%s安装失败，请重试"},
    {L"tipmsg_close2", L"%s安装成功，你确定要关闭该窗口？"},
    {L"TrayIconTip1", L"%s等待中"},
    {L"TrayIconTip2", L"%s正在安装，已完成%d%s"},
    {L"TrayIconTip3", L"%s安装完成，欢迎体验产品"},
    {L"Lbl_ProgressTip", L"正在安装，点击“隐藏”以最小化程序（已完成%d%s）"},
    {L"agree_by_download", L"{f 1}{c #7a7b7f}下载即表示您同意 {/c}{/f}"},
    {L"product_is_running_tip", L"%s 正在运行中，安装前请先关闭软件。"},
    {L"wait_for_time_tip", L"(预计等待 %02d分 %02d秒。)"},
    {L"new_download_time_tip", L"正在下载（剩余%02d分%02d秒）"},
    {L"new_install_time_tip", L"安装中（剩余%02d分%02d秒）"},
};

int TextsNaming(const LangTable& table, const std::wstring& word) {
  int count = 0;
  for (const auto& [key, text] : table.Texts()) count += text.find(word) != std::wstring::npos;
  return count;
}

class LangTableTest : public platform::testing::MachineTest {
 protected:
  void TearDown() override {
    InstallLogger(nullptr);
    MachineTest::TearDown();
  }
  // Sends the log to a fresh file of the scratch folder.
  void StartLog() {
    logFile_ = Scratch() + L"twKIV.log";
    logger_ = std::make_unique<simpleLog>(WideToAnsi(logFile_));
    logger_->Open();
    InstallLogger(logger_.get());
  }
  std::string LogText() const {
    std::string text;
    platform::ReadWholeFile(logFile_, &text);
    return text;
  }
  std::wstring logFile_;
  std::unique_ptr<simpleLog> logger_;
};

TEST_F(LangTableTest, ShippedTableHoldsEveryKeyAndTheFormattedTextsAsWritten) {
  LangTable table;
  ASSERT_TRUE(table.loadLangXML(L"Tarnwick"));
  std::set<std::wstring> keys;
  for (const auto& [key, text] : table.Texts()) {
    keys.insert(key);
    EXPECT_FALSE(text.empty()) << WideToUtf8(key);
  }
  EXPECT_EQ(keys, kKeys);
  for (const auto& [key, text] : kFormatTexts) EXPECT_EQ(table.GetText(key), text) << WideToUtf8(key);
  EXPECT_EQ(table.GetText(L"Lbl_Install_Msw").rfind(L"{f 1}{c #7a7b7f}", 0), 0u);
  EXPECT_EQ(table.GetText(L"Lbl_Install_Msw").substr(table.GetText(L"Lbl_Install_Msw").size() - 8), L"{/c}{/f}");

  // The maker's name appears in the terms texts, so another brand shows there.
  const int naming = TextsNaming(table, L"Tarnwick");
  EXPECT_GT(naming, 0);
  ASSERT_TRUE(table.loadLangXML(L"Acme"));
  EXPECT_EQ(table.Texts().size(), kKeys.size());
  EXPECT_EQ(TextsNaming(table, L"Tarnwick"), 0);
  EXPECT_EQ(TextsNaming(table, L"Acme"), naming);
}

TEST(ReadLangTexts, ReplacesTheMakersNameOnlyForAnotherBrand) {
  const std::string document =
      "<Lang><item name=\"t\">Tarnwick and Tarnwick, not tarnwick</item><item name=\"u\">none</item></Lang>";
  const struct {
    const wchar_t* brand;
    const wchar_t* text;
  } cases[] = {
      {L"Tarnwick", L"Tarnwick and Tarnwick, not tarnwick"},
      {L"tarnwick", L"Tarnwick and Tarnwick, not tarnwick"},
      {L"TARNWICK", L"Tarnwick and Tarnwick, not tarnwick"},
      {L"", L"Tarnwick and Tarnwick, not tarnwick"},  // no brand configured: nothing to put in its place
      {L"Acme", L"Acme and Acme, not tarnwick"},
      {L"xTarnwick", L"xTarnwick and xTarnwick, not tarnwick"},  // the brand may contain the name itself
      {L"墨水", L"墨水 and 墨水, not tarnwick"},
  };
  for (const auto& c : cases) {
    std::map<std::wstring, std::wstring> texts;
    ASSERT_TRUE(ReadLangTexts(document, c.brand, &texts));
    EXPECT_EQ(texts[L"t"], c.text) << WideToUtf8(c.brand);
    EXPECT_EQ(texts[L"u"], L"none");
  }
}

TEST(ReadLangTexts, LaterItemWinsAndOnlyItemsOfTheRootCount) {
  std::map<std::wstring, std::wstring> texts = {{L"old", L"gone"}};
  ASSERT_TRUE(ReadLangTexts(
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- texts -->\n<Lang>\n"
      "  <item name=\"dup\">first</item>\n"
      "  <item name=\"cdata\"><![CDATA[<b>%s & co</b>]]></item>\n"
      "  <item name=\"entities\">a &lt;&amp;&gt; &#x4E2D;</item>\n"
      "  <item name=\"blank\"></item>\n"
      "  <item name=\"Case\">upper</item><item name=\"case\">lower</item>\n"
      "  <other name=\"skip\">no</other>\n"
      "  <group><item name=\"nested\">no</item></group>\n"
      "  <item name=\"dup\">second</item>\n"
      "</Lang>\n",
      L"Tarnwick", &texts));
  const std::map<std::wstring, std::wstring> expected = {
      {L"dup", L"second"},          {L"cdata", L"<b>%s & co</b>"}, {L"entities", L"a <&> 中"},
      {L"blank", L""},              {L"Case", L"upper"},           {L"case", L"lower"},
  };
  EXPECT_EQ(texts, expected);

  ASSERT_TRUE(ReadLangTexts("<Lang/>", L"Tarnwick", &texts));
  EXPECT_TRUE(texts.empty());
}

TEST(ReadLangTexts, RefusesWhatIsNotALanguageTableAndKeepsTheTexts) {
  const std::string documents[] = {
      "", "   ", "not xml", "<Lang>", "<Lang><item name=\"a\">x</Lang>", "<Lang><item name=a>x</item></Lang>",
      "<Lang><item name=\"a\">&bogus;</item></Lang>", "<Lang/><Lang/>", "<Product><item name=\"a\">x</item></Product>",
      "<lang/>", std::string("\xFF\xFE<\0L\0a\0n\0g\0/\0>\0", 16),  // UTF-16
  };
  for (const std::string& document : documents) {
    std::map<std::wstring, std::wstring> texts = {{L"kept", L"yes"}};
    EXPECT_FALSE(ReadLangTexts(document, L"Acme", &texts)) << document;
    EXPECT_EQ(texts.size(), 1u);
  }
}

TEST_F(LangTableTest, LoadFailsWhenTheResourceIsMissingOrBroken) {
  const char* failing[] = {
      R"({"resources": {"XML/131": null}})",
      R"({"resources": {"XML/131": ""}})",
      R"({"resources": {"XML/131": "<Lang><item name=\"a\">cut"}})",
      R"({"resources": {"XML/131": "<Product/>"}})",
  };
  for (const char* profile : failing) {
    USE_PROFILE(profile);
    StartLog();
    LangTable table;
    EXPECT_FALSE(table.loadLangXML(L"Tarnwick")) << profile;
    EXPECT_TRUE(table.Texts().empty());
    const std::string log = LogText();
    EXPECT_NE(log.find("[INFO] loadLangXML"), std::string::npos);
    EXPECT_NE(log.find("[ERROR] loadLangXML, "), std::string::npos) << log;
  }
  USE_PROFILE(R"({"resources": {"XML/131": "<Lang/>"}})");
  LangTable table;
  EXPECT_TRUE(table.loadLangXML(L"Tarnwick"));
}

TEST_F(LangTableTest, GetTextShowsTheKeyWhereTheTextIsMissingOrEmpty) {
  USE_PROFILE(R"({"resources": {"XML/131": "<Lang><item name=\"Title\">T</item><item name=\"blank\"/></Lang>"}})");
  LangTable table;
  ASSERT_TRUE(table.loadLangXML(L"Tarnwick"));
  EXPECT_EQ(table.GetText(L"Title"), L"T");
  EXPECT_EQ(table.GetText(L"blank"), L"blank");
  EXPECT_EQ(table.GetText(L"title"), L"title");  // keys compare case-sensitively
  EXPECT_EQ(table.GetTextOrEmpty(L"Title"), L"T");
  EXPECT_EQ(table.GetTextOrEmpty(L"blank"), L"");
  EXPECT_EQ(table.GetTextOrEmpty(L"title"), L"");
}

TEST_F(LangTableTest, LanguageListAndCodes) {
  LangTable table;
  const std::vector<LanguageEntry>& list = table.Languages();
  ASSERT_EQ(list.size(), 21u);
  EXPECT_EQ(list.front().displayName, L"English");
  EXPECT_EQ(list[7].displayName.substr(1), L"усский");
  EXPECT_EQ(list[7].displayName[0], L'\x0050');  // a Latin P, as run configurations carry the name
  EXPECT_EQ(list.back().displayName, L"ไทย");
  std::set<std::wstring> codes;
  for (const LanguageEntry& language : list) codes.insert(language.code);
  EXPECT_EQ(codes.size(), list.size());

  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"English", L"ENG"},   {L"Deutsch", L"DEU"}, {L"Pусский", L"RUS"}, {L"\u0420усский", L"ENG"},
      {L"中文繁體", L"CHA"},  {L"中文简体", L"CHS"}, {L"తెలుగు", L"INDTE"}, {L"मराठी", L"INDMR"},
      {L"ไทย", L"THA"},       {L"deutsch", L"ENG"}, {L"Deutsch ", L"ENG"}, {L"", L"ENG"},
  };
  for (const auto& [name, code] : cases) EXPECT_EQ(table.CodeOfLanguage(name), code) << WideToUtf8(name);
}

TEST(LocaleTable, FirstEntryOfTheLcidGivesIndexAndLanguage) {
  const struct {
    uint32_t lcid;
    int index;
    const wchar_t* language;
  } cases[] = {
      {0x080C, 0, L"Français"},  {0x100C, 5, L"Français"}, {0x0C07, 6, L"Deutsch"},   {0x0411, 11, L"日本語"},
      {0x2C0A, 14, L"Español"},  {0x0C0A, 31, L"Español"}, {0x200A, 33, L"Español"},  {0x0404, 36, L"中文繁體"},
      {0x0804, 38, L"中文简体"}, {0x1004, 39, L"中文简体"}, {0x0419, 40, L"Pусский"},  {0x001D, 46, L"Svenska"},
      {0x3801, 49, L"العربية"},  {0x2401, 64, L"العربية"},  {0x0039, 72, L"हिन्दी"},  {0x041E, 74, L"ไทย"},
      {0x0409, -1, L""},         {0x0809, -1, L""},          {0x0000, -1, L""},          {0x20804, -1, L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LocaleTableIndex(c.lcid), c.index) << std::hex << c.lcid;
    EXPECT_EQ(LocaleTableLanguage(c.index), c.language) << std::hex << c.lcid;
  }
  // Every entry preselects a language the window can offer.
  std::set<std::wstring> offered;
  for (const LanguageEntry& language : InstallableLanguages()) offered.insert(language.displayName);
  for (int i = 0; i < kLocaleTableSize; ++i) EXPECT_EQ(offered.count(LocaleTableLanguage(i)), 1u) << i;
  EXPECT_EQ(LocaleTableLanguage(kLocaleTableSize), L"");
}

struct LocaleCase {
  int userLcid;
  bool found;
  const wchar_t* language;
  const char* setLine;
};

void PrintTo(const LocaleCase& c, std::ostream* os) { *os << "user LCID " << c.userLcid; }

class InitLangCodeTest : public LangTableTest, public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(InitLangCodeTest, PreselectsTheLanguageOfTheUsersLocale) {
  const LocaleCase& c = GetParam();
  USE_PROFILE(R"({"locale": {"user_lcid": )" + std::to_string(c.userLcid) + "}}");
  StartLog();
  LangTable table;
  EXPECT_EQ(table.CurrentLanguage(), c.language);
  const std::string log = LogText();
  EXPECT_NE(log.find("[INFO] InitLangCode SystemDefaultLCID: " +
                     std::to_string(platform::GetSystemDefaultLocaleId()) + "\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("[INFO] InitLangCode GetUserDefaultLCID: " + std::to_string(c.userLcid) + "\r\n"),
            std::string::npos);
  EXPECT_NE(log.find(std::string(c.setLine) + "\r\n"), std::string::npos) << log;

  // A locale without a language leaves whatever was chosen before.
  table.SetCurrentLanguage(L"Svenska");
  EXPECT_EQ(table.InitLangCode(), c.found);
  EXPECT_EQ(table.CurrentLanguage(), c.found ? c.language : L"Svenska");
}

INSTANTIATE_TEST_SUITE_P(Locales, InitLangCodeTest,
                         ::testing::Values(LocaleCase{0x0804, true, L"中文简体", "[INFO] InitLangCode set: 38"},
                                           LocaleCase{0x0409, false, L"English", "[INFO] InitLangCode set: -1"},
                                           LocaleCase{0x1401, true, L"العربية", "[INFO] InitLangCode set: 51"}),
                         [](const ::testing::TestParamInfo<LocaleCase>& info) {
                           return "Lcid" + std::to_string(info.param.userLcid);
                         });

}  // namespace
