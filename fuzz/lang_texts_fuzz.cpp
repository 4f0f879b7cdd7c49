// The language table document as a broken or hostile resource: reading
// never crashes, and a failed read leaves the texts as they were.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "config/lang_texts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string document(reinterpret_cast<const char*>(data), size);
  const std::map<std::wstring, std::wstring> before = {{L"kept", L"text"}};
  for (const wchar_t* brand : {L"Tarnwick", L"Acme"}) {
    std::map<std::wstring, std::wstring> texts = before;
    if (!ReadLangTexts(document, brand, &texts) && texts != before) abort();
  }
  return 0;
}
