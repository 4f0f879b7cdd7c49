#pragma once
// The installer's texts by key, the languages the product can be installed
// in, and the language currently chosen for it. One instance lives for the
// whole run; the texts are loaded once at start-up, before any other thread
// exists, and only read afterwards. The current language may be read and
// replaced from any thread.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "config/language_list.h"

class LangTable {
 public:
  // Current language "English", then the one of the user's locale
  // (InitLangCode); the language list filled.
  LangTable();

  // Preselects the language of the user's default locale. False, leaving
  // the current language as it is, when the locale has none.
  bool InitLangCode();
  // Loads the texts from the executable's language table resource, with
  // the maker's brand word replaced by `brand` (see ReadLangTexts). False
  // when the resource is missing, empty or not a language table.
  bool loadLangXML(const std::wstring& brand);

  // The text for `key`; the key itself when there is no text or it is
  // empty, so a missing text shows as its key.
  std::wstring GetText(const std::wstring& key) const;
  // The text for `key`; empty when there is none.
  std::wstring GetTextOrEmpty(const std::wstring& key) const;
  const std::map<std::wstring, std::wstring>& Texts() const { return texts_; }

  // The code of the language with exactly this display name; "ENG" when
  // the list has no such language.
  std::wstring CodeOfLanguage(const std::wstring& displayName) const;
  const std::vector<LanguageEntry>& Languages() const { return languages_; }

  std::wstring CurrentLanguage() const;
  void SetCurrentLanguage(const std::wstring& displayName);

 private:
  mutable std::mutex currentLock_;
  std::wstring current_;
  std::map<std::wstring, std::wstring> texts_;
  std::vector<LanguageEntry> languages_;
};
