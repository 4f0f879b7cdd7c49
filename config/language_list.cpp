#include "config/language_list.h"

const std::vector<LanguageEntry>& InstallableLanguages() {
  // The Russian name starts with a Latin capital P (U+0050), not the
  // Cyrillic letter: run configurations and host copies carry it that way.
  static const std::vector<LanguageEntry> kLanguages = {
    {L"English", L"ENG"},
    {L"Deutsch", L"DEU"},
    {L"Français", L"FRA"},
    {L"Italiano", L"ITA"},
    {L"Português", L"PTG"},
    {L"Español", L"ESP"},
    {L"Dutch", L"NLD"},
    {L"Pусский", L"RUS"},
    {L"日本語", L"JPN"},
    {L"中文繁體", L"CHA"},
    {L"中文简体", L"CHS"},
    {L"العربية", L"ARA"},
    {L"한국어", L"KOR"},
    {L"Bahasa Indonesia", L"INA"},
    {L"Svenska", L"SWE"},
    {L"తెలుగు", L"INDTE"},
    {L"தமிழ்", L"INDTA"},
    {L"हिन्दी", L"INDHI"},
    {L"বাংলা", L"INDBN"},
    {L"मराठी", L"INDMR"},
    {L"ไทย", L"THA"},
  };
  return kLanguages;
}
