#pragma once
// The languages the product itself can be installed in: the display name
// shown in the window's language list and the code passed to the product's
// installer package.
#include <string>
#include <vector>

struct LanguageEntry {
  std::wstring displayName;
  std::wstring code;
};

// The 21 installable languages, in the order the window lists them.
const std::vector<LanguageEntry>& InstallableLanguages();
