#include "config/lang_table.h"

#include <optional>

#include "config/lang_texts.h"
#include "config/locale_table.h"
#include "platform/resources.h"
#include "platform/system_info.h"
#include "system/log.h"

namespace {

constexpr const char* kLangResourceType = "XML";
constexpr int kLangResourceId = 131;

}  // namespace

LangTable::LangTable() : current_(L"English") {
  InitLangCode();
  languages_ = InstallableLanguages();
}

bool LangTable::InitLangCode() {
  // LCIDs are logged as the signed numbers the log has always shown.
  Log(3, "[INFO] InitLangCode SystemDefaultLCID: %d", static_cast<int>(platform::GetSystemDefaultLocaleId()));
  const uint32_t lcid = platform::GetUserDefaultLocaleId();
  Log(3, "[INFO] InitLangCode GetUserDefaultLCID: %d", static_cast<int>(lcid));
  const int index = LocaleTableIndex(lcid);
  Log(3, "[INFO] InitLangCode set: %d", index);
  if (index < 0) return false;
  SetCurrentLanguage(LocaleTableLanguage(index));
  return true;
}

bool LangTable::loadLangXML(const std::wstring& brand) {
  Log(3, "[INFO] loadLangXML");
  std::optional<std::string> document = platform::FindResourceData(kLangResourceType, kLangResourceId);
  if (!document) {
    Log(1, "[ERROR] loadLangXML, find failed!");
    return false;
  }
  return ReadLangTexts(*document, brand, &texts_);
}

std::wstring LangTable::GetText(const std::wstring& key) const {
  std::wstring text = GetTextOrEmpty(key);
  return text.empty() ? key : text;
}

std::wstring LangTable::GetTextOrEmpty(const std::wstring& key) const {
  auto found = texts_.find(key);
  return found == texts_.end() ? L"" : found->second;
}

std::wstring LangTable::CodeOfLanguage(const std::wstring& displayName) const {
  for (const LanguageEntry& language : languages_) {
    if (language.displayName == displayName) return language.code;
  }
  return L"ENG";
}

std::wstring LangTable::CurrentLanguage() const {
  std::lock_guard<std::mutex> lock(currentLock_);
  return current_;
}

void LangTable::SetCurrentLanguage(const std::wstring& displayName) {
  std::lock_guard<std::mutex> lock(currentLock_);
  current_ = displayName;
}
