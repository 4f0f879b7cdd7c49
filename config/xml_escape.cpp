#include "config/xml_escape.h"

namespace xml {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool OnlyBlanks(const std::wstring& text) {
  for (wchar_t c : text) {
    if (!IsBlank(c)) return false;
  }
  return true;
}

void AppendReference(wchar_t c, std::wstring* out) {
  *out += L"&#" + std::to_wstring(static_cast<unsigned>(c)) + L";";
}

}  // namespace

std::wstring EscapeText(const std::wstring& text) {
  const bool blanksOnly = OnlyBlanks(text);
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"': out += L"&quot;"; break;
      case L'\'': out += L"&apos;"; break;
      case L'\0': break;
      default:
        if (c < 0x20 || (blanksOnly && c == L' ')) {
          AppendReference(c, &out);
        } else {
          out += c;
        }
    }
  }
  return out;
}

}  // namespace xml
