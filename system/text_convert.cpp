#include "system/text_convert.h"

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <optional>

#include "platform/codepage.h"
#include "platform/system_info.h"

namespace {

constexpr uint32_t kReplacementChar = 0xFFFD;

bool IsSurrogate(uint32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The code points of a wide text: UTF-16 units are paired where wchar_t is
// 16 bits wide; a lone surrogate comes out as itself for the caller to judge.
template <typename Visit>
void ForEachCodePoint(const std::wstring& text, Visit visit) {
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      c &= 0xFFFF;
      uint32_t next = i + 1 < text.size() ? static_cast<uint32_t>(text[i + 1]) & 0xFFFF : 0;
      if (c >= 0xD800 && c <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
        ++i;
      }
    }
    visit(c);
  }
}

void AppendUtf8(uint32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendWide(uint32_t c, std::wstring* out) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out->push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
      out->push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
      return;
    }
  }
  out->push_back(static_cast<wchar_t>(c));
}

// The code point of the well-formed UTF-8 sequence at `pos` (no overlong
// forms, no surrogates, nothing above U+10FFFF) and its length; nullopt
// when the bytes there do not form one.
std::optional<uint32_t> DecodeUtf8At(const std::string& text, size_t pos, size_t* length) {
  unsigned char lead = static_cast<unsigned char>(text[pos]);
  size_t extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : 4;
  if (extra > 3 || pos + extra >= text.size()) return std::nullopt;
  uint32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
  for (size_t k = 1; k <= extra; ++k) {
    unsigned char cont = static_cast<unsigned char>(text[pos + k]);
    if ((cont & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (cont & 0x3F);
  }
  static constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (c < kSmallest[extra] || c > 0x10FFFF || IsSurrogate(c)) return std::nullopt;
  *length = extra + 1;
  return c;
}

std::wstring UntilNul(std::wstring text) {
  size_t nul = text.find(L'\0');
  if (nul != std::wstring::npos) text.resize(nul);
  return text;
}

}  // namespace

std::string WideToAnsi(const std::wstring& text) {
  std::string bytes;
  if (!platform::WideToMultiByte(platform::GetAnsiCodePage(), UntilNul(text), &bytes)) return "";
  return bytes;
}

std::wstring AnsiToWide(const std::string& text) {
  std::wstring wide;
  if (!platform::MultiByteToWideUserLocale(text, &wide)) return L"";
  return wide;
}

std::string WideToUtf8(const std::wstring& text) {
  std::string out;
  ForEachCodePoint(text, [&](uint32_t c) { AppendUtf8(IsSurrogate(c) || c > 0x10FFFF ? kReplacementChar : c, &out); });
  return out;
}

std::wstring Utf8ToWide(const std::string& text) {
  std::wstring out;
  for (size_t pos = 0; pos < text.size();) {
    size_t length = 1;
    std::optional<uint32_t> c = DecodeUtf8At(text, pos, &length);
    AppendWide(c.value_or(L'?'), &out);
    pos += c ? length : 1;
  }
  return UntilNul(out);
}

std::string WideToUtf8Strict(const std::wstring& text) {
  std::string out;
  bool valid = true;
  ForEachCodePoint(text, [&](uint32_t c) {
    valid = valid && !IsSurrogate(c) && c <= 0x10FFFF;
    if (valid) AppendUtf8(c, &out);
  });
  return valid ? out : "";
}

std::wstring Utf8ToWideStrict(const std::string& text) {
  std::wstring out;
  for (size_t pos = 0; pos < text.size();) {
    size_t length = 1;
    std::optional<uint32_t> c = DecodeUtf8At(text, pos, &length);
    if (!c) return L"";
    AppendWide(*c, &out);
    pos += length;
  }
  return out;
}

std::string IntToText(int value) { return std::to_string(static_cast<uint32_t>(value)); }

std::wstring IntToWideText(int value) { return std::to_wstring(value); }

std::wstring IntToHexText(int value) {
  wchar_t buffer[16];
  swprintf(buffer, sizeof buffer / sizeof buffer[0], L"%X", static_cast<unsigned>(value));
  return buffer;
}
