#pragma once
// The Windows locales whose users get one of the installable languages
// preselected. English locales have no entry: they keep "English".
#include <cstdint>
#include <string>

// Entries of the table; the first entry whose LCID matches wins.
inline constexpr int kLocaleTableSize = 75;

// 0-based position of the first entry for `lcid`; -1 when no entry has it.
int LocaleTableIndex(uint32_t lcid);
// Display name (as in the language list) of the entry at `index`; empty
// when `index` is outside the table.
std::wstring LocaleTableLanguage(int index);
