#include "config/lang_list_filter.h"

#include <algorithm>

#include "config/lang_table.h"
#include "system/log.h"
#include "system/text_convert.h"
#include "system/text_trim.h"

namespace {

// The names of the comma-separated list, blanks around them removed, empty ones left out.
std::vector<std::wstring> SplitNames(const std::wstring& text) {
  std::vector<std::wstring> names;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(L',', start);
    std::wstring name = TrimBlanks(text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
    if (!name.empty()) names.push_back(name);
    if (comma == std::wstring::npos) return names;
    start = comma + 1;
  }
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

LanguageChoice FilterLangList(LangTable* table, const std::wstring& languagesText, const std::wstring& selectLang) {
  LanguageChoice choice;
  for (const LanguageEntry& language : table->Languages()) choice.items.push_back(language.displayName);
  choice.selection = selectLang.empty() ? table->CurrentLanguage() : selectLang;

  const std::vector<std::wstring> names = SplitNames(languagesText);
  // The replacement for a dropped language must be one the window offers.
  auto known = std::find_if(names.begin(), names.end(), [&](const std::wstring& n) { return Contains(choice.items, n); });
  if (known == names.end()) {
    if (!names.empty()) Log(2, "[WARN] FilterLanglist, no known language in [%s].", WideToAnsi(languagesText).c_str());
  } else {
    for (int i = static_cast<int>(choice.items.size()) - 1; i >= 0; --i) {
      const std::wstring item = choice.items[i];
      if (Contains(names, item)) continue;
      choice.items.erase(choice.items.begin() + i);
      if (item == table->CurrentLanguage() || item == choice.selection) {
        Log(3, "[INFO] FilterLanglist set: %d", i);
        choice.selection = *known;
        table->SetCurrentLanguage(*known);
      }
    }
  }
  auto selected = std::find(choice.items.begin(), choice.items.end(), choice.selection);
  choice.selectedIndex = selected == choice.items.end() ? -1 : static_cast<int>(selected - choice.items.begin());
  Log(3, "[INFO] FilterLanglist select: %d", choice.selectedIndex);
  return choice;
}
