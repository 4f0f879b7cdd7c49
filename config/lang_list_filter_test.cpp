#include "config/lang_list_filter.h"

#include <gtest/gtest.h>

#include "config/lang_table.h"
#include "platform/files.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/simple_log.h"
#include "system/text_convert.h"

namespace {

using Names = std::vector<std::wstring>;

Names AllNames() {
  Names names;
  for (const LanguageEntry& language : InstallableLanguages()) names.push_back(language.displayName);
  return names;
}

// The table's preselection comes from the machine's locale: each test sets it.
class LangListFilterTest : public platform::testing::MachineTest {};

TEST_F(LangListFilterTest, OffersTheListedLanguagesAndKeepsTheChoiceOnOne) {
  const struct {
    const wchar_t* current;
    const wchar_t* languages;
    const wchar_t* selectLang;
    Names items;
    const wchar_t* selection;
    int index;
    const wchar_t* currentAfter = nullptr;  // nullptr: the selection
  } cases[] = {
      // Listed out of order: the items keep the list's order.
      {L"English", L"中文简体,English", L"English", {L"English", L"中文简体"}, L"English", 0},
      // The current language is dropped: the list's first name takes over.
      {L"Français", L"Italiano,Deutsch", L"Français", {L"Deutsch", L"Italiano"}, L"Italiano", 1},
      // Blanks around names and empty names do not count.
      {L"English", L" ไทย , Deutsch,,", L"", {L"Deutsch", L"ไทย"}, L"ไทย", 1},
      // The first name is no installable language: the first that is one takes over.
      {L"English", L"Klingon,ไทย,Deutsch", L"English", {L"Deutsch", L"ไทย"}, L"ไทย", 1},
      // The chosen language is dropped while the current one stays: both follow the list.
      {L"English", L"English,中文简体", L"Deutsch", {L"English", L"中文简体"}, L"English", 0},
      // No list, or none of its names known: everything is offered.
      {L"English", L"", L"日本語", AllNames(), L"日本語", 8, L"English"},
      {L"Deutsch", L"Klingon, Elvish", L"Deutsch", AllNames(), L"Deutsch", 1},
      {L"Svenska", L",", L"", AllNames(), L"Svenska", 14},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WideToUtf8(c.languages) + " / " + WideToUtf8(c.selectLang));
    LangTable table;
    table.SetCurrentLanguage(c.current);
    LanguageChoice choice = FilterLangList(&table, c.languages, c.selectLang);
    EXPECT_EQ(choice.items, c.items);
    EXPECT_EQ(choice.selection, c.selection);
    EXPECT_EQ(choice.selectedIndex, c.index);
    EXPECT_EQ(table.CurrentLanguage(), c.currentAfter ? c.currentAfter : c.selection);
  }
}

TEST_F(LangListFilterTest, AChosenLanguageOutsideTheListIsNotSelected) {
  LangTable table;
  table.SetCurrentLanguage(L"English");
  LanguageChoice choice = FilterLangList(&table, L"", L"Klingon");
  EXPECT_EQ(choice.items, AllNames());
  EXPECT_EQ(choice.selection, L"Klingon");
  EXPECT_EQ(choice.selectedIndex, -1);
  EXPECT_EQ(table.CurrentLanguage(), L"English");
}

TEST_F(LangListFilterTest, LogsTheDroppedCurrentLanguageAndTheSelection) {
  const std::wstring logFile = Scratch() + L"twKIV.log";
  simpleLog log(WideToAnsi(logFile));
  log.Open();
  InstallLogger(&log);
  LangTable table;
  table.SetCurrentLanguage(L"Français");
  FilterLangList(&table, L"Italiano,Deutsch", L"Français");
  InstallLogger(nullptr);
  std::string text;
  ASSERT_TRUE(platform::ReadWholeFile(logFile, &text));
  EXPECT_NE(text.find("[INFO] FilterLanglist set: 2\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[INFO] FilterLanglist select: 1\r\n"), std::string::npos) << text;
}

}  // namespace
