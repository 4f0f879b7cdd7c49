#include "config/locale_table.h"

#include <array>

namespace {

struct LocaleEntry {
  uint32_t lcid;
  const wchar_t* language;
};

constexpr const wchar_t* kFrench = L"Français";
constexpr const wchar_t* kGerman = L"Deutsch";
constexpr const wchar_t* kSpanish = L"Español";
// The name is written with a Latin capital P (U+0050) followed by Cyrillic
// letters, exactly as the language list holds it.
constexpr const wchar_t* kRussian = L"Pусский";
constexpr const wchar_t* kArabic = L"العربية";

// Searched in this order; an LCID occurs once, but the order still decides
// the index that is logged.
constexpr std::array<LocaleEntry, kLocaleTableSize> kLocales = {{
    {0x080C, kFrench}, {0x0C0C, kFrench}, {0x040C, kFrench}, {0x140C, kFrench}, {0x180C, kFrench},
    {0x100C, kFrench},
    {0x0C07, kGerman}, {0x0407, kGerman}, {0x1407, kGerman}, {0x1007, kGerman}, {0x0807, kGerman},
    {0x0411, L"日本語"},
    {0x0416, L"Português"}, {0x0816, L"Português"},
    {0x2C0A, kSpanish}, {0x400A, kSpanish}, {0x340A, kSpanish}, {0x240A, kSpanish}, {0x140A, kSpanish},
    {0x1C0A, kSpanish}, {0x300A, kSpanish}, {0x440A, kSpanish}, {0x100A, kSpanish}, {0x480A, kSpanish},
    {0x080A, kSpanish}, {0x4C0A, kSpanish}, {0x180A, kSpanish}, {0x3C0A, kSpanish}, {0x280A, kSpanish},
    {0x500A, kSpanish}, {0x040A, kSpanish}, {0x0C0A, kSpanish}, {0x380A, kSpanish}, {0x200A, kSpanish},
    {0x0410, L"Italiano"}, {0x0810, L"Italiano"},
    {0x0404, L"中文繁體"}, {0x0C04, L"中文繁體"},
    {0x0804, L"中文简体"}, {0x1004, L"中文简体"},
    {0x0419, kRussian}, {0x0819, kRussian},
    {0x0413, L"Dutch"}, {0x0813, L"Dutch"},
    {0x0412, L"한국어"},
    {0x0421, L"Bahasa Indonesia"},
    {0x001D, L"Svenska"}, {0x041D, L"Svenska"}, {0x081D, L"Svenska"},
    {0x3801, kArabic}, {0x3C01, kArabic}, {0x1401, kArabic}, {0x0C01, kArabic}, {0x0801, kArabic},
    {0x2C01, kArabic}, {0x3401, kArabic}, {0x3001, kArabic}, {0x1001, kArabic}, {0x1801, kArabic},
    {0x2001, kArabic}, {0x4001, kArabic}, {0x0401, kArabic}, {0x2801, kArabic}, {0x1C01, kArabic},
    {0x2401, kArabic},
    {0x004E, L"मराठी"}, {0x044E, L"मराठी"},
    {0x004A, L"తెలుగు"}, {0x044A, L"తెలుగు"},
    {0x0049, L"தமிழ்"}, {0x0449, L"தமிழ்"},
    {0x0445, L"বাংলা"},
    {0x0039, L"हिन्दी"}, {0x0439, L"हिन्दी"},
    {0x041E, L"ไทย"},
}};

}  // namespace

int LocaleTableIndex(uint32_t lcid) {
  for (int i = 0; i < kLocaleTableSize; ++i) {
    if (kLocales[i].lcid == lcid) return i;
  }
  return -1;
}

std::wstring LocaleTableLanguage(int index) {
  if (index < 0 || index >= kLocaleTableSize) return L"";
  return kLocales[index].language;
}
