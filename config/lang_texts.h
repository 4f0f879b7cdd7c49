#pragma once
// Reading the installer's language table document: <Lang> with one
// <item name="key">text</item> per text.
#include <map>
#include <string>

// The maker's own brand word as the texts of the document write it.
inline constexpr const wchar_t* kMakerBrand = L"Tarnwick";

// Fills `texts` (replacing what it held) from the UTF-8 document: each item's
// text under its `name`, the later of two items with the same name winning.
// When `brand` is not empty and differs from the maker's brand (ignoring
// case), every "Tarnwick" in a text becomes `brand`. False, with a log line
// and `texts` untouched, when the document is empty, not well-formed or its
// root is not Lang; a Lang without items is a success.
bool ReadLangTexts(const std::string& utf8Document, const std::wstring& brand,
                   std::map<std::wstring, std::wstring>* texts);
