#pragma once
// Which of the installable languages the window offers, and which one it
// selects: the product's language list may narrow them down.
#include <string>
#include <vector>

class LangTable;

struct LanguageChoice {
  std::vector<std::wstring> items;  // display names offered, in list order
  std::wstring selection;           // the language to store as SelectLang
  int selectedIndex = -1;           // position of `selection` in `items`; -1 when absent
};

// `languagesText`: the effective comma-separated language list (empty: all
// languages are offered). `selectLang`: the run configuration's language;
// empty means the table's current language. A language that the list drops
// and that was current or selected gives way to the list's first known
// language, which becomes both the selection and the table's current
// language. A list that names none of the installable languages narrows
// nothing.
LanguageChoice FilterLangList(LangTable* table, const std::wstring& languagesText, const std::wstring& selectLang);
