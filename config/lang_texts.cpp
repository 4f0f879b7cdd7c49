#include "config/lang_texts.h"

#include <cwctype>
#include <memory>

#include "config/xml_reader.h"
#include "system/log.h"
#include "system/text_convert.h"

namespace {

std::wstring Lowered(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(static_cast<wint_t>(c)));
  return text;
}

void ReplaceAll(std::wstring* text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = text->find(from); at != std::wstring::npos; at = text->find(from, at + to.size())) {
    text->replace(at, from.size(), to);
  }
}

}  // namespace

bool ReadLangTexts(const std::string& utf8Document, const std::wstring& brand,
                   std::map<std::wstring, std::wstring>* texts) {
  if (utf8Document.empty()) {
    Log(1, "[ERROR] loadLangXML, the document is empty!");
    return false;
  }
  std::unique_ptr<xml::Element> root;
  std::string error;
  if (!xml::Parse(Utf8ToWide(utf8Document), &root, &error)) {
    Log(1, "[ERROR] loadLangXML, not well-formed: %s.", error.c_str());
    return false;
  }
  if (root->name != L"Lang") {
    Log(1, "[ERROR] loadLangXML, not find Lang.");
    return false;
  }
  // An empty brand would erase the maker's name from every text: only a
  // real other brand replaces it.
  const bool replaceBrand = !brand.empty() && Lowered(brand) != Lowered(kMakerBrand);
  std::map<std::wstring, std::wstring> read;
  for (const auto& item : root->children) {
    if (item->name != L"item") continue;
    std::wstring text = item->text;
    if (replaceBrand) ReplaceAll(&text, kMakerBrand, brand);
    read[item->Attribute(L"name")] = std::move(text);
  }
  *texts = std::move(read);
  return true;
}
