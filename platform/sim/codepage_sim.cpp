// Code page conversions of the simulated machine through iconv. Wide text is
// UTF-32 here (wchar_t), so iconv's "WCHAR_T" is the wide side.
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/codepage.h"
#include "platform/sim/machine.h"
#include "platform/system_info.h"
#include "platform/win_error.h"

namespace platform {
namespace {

constexpr char kDefaultChar = '?';  // CPINFO.DefaultChar of the ANSI and DBCS code pages
constexpr uint32_t kErrorNoUnicodeTranslation = 1113;

std::string IconvNameOf(uint32_t codePage) {
  switch (codePage) {
    case kCodePageUtf8: return "UTF-8";
    case 20127: return "US-ASCII";
    case 20936: return "GB2312";
    case 54936: return "GB18030";
    default: break;
  }
  if (codePage >= 28591 && codePage <= 28606) return "ISO-8859-" + std::to_string(codePage - 28590);
  return "CP" + std::to_string(codePage);
}

class Converter {
 public:
  Converter(const std::string& to, const std::string& from) : handle_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts `in`; an input unit that can not be converted is skipped by
  // `skipBytes` and reported to `onInvalid`, which returns false to give up.
  template <typename OnInvalid>
  bool Run(const char* in, size_t inBytes, size_t skipBytes, std::string* out, OnInvalid onInvalid) {
    char buffer[1024];
    while (true) {
      char* outPtr = buffer;
      size_t outLeft = sizeof buffer;
      size_t done = inBytes > 0 ? iconv(handle_, const_cast<char**>(&in), &inBytes, &outPtr, &outLeft)
                                : iconv(handle_, nullptr, nullptr, &outPtr, &outLeft);
      int error = errno;
      out->append(buffer, outPtr - buffer);
      if (done != static_cast<size_t>(-1)) {
        if (inBytes == 0) return true;
        continue;
      }
      if (error == E2BIG) continue;
      if (!onInvalid(out)) return false;
      if (inBytes == 0) return true;
      size_t skip = std::min(skipBytes, inBytes);
      in += skip;
      inBytes -= skip;
    }
  }

 private:
  iconv_t handle_;
};

bool UnknownCodePage() {
  SetLastErrorCode(kErrorInvalidParameter);
  return false;
}

// LOCALE_IDEFAULTANSICODEPAGE of a locale, by its primary language.
uint32_t AnsiCodePageOfLocale(uint32_t lcid) {
  uint32_t language = lcid & 0x3FF;
  uint32_t sublanguage = (lcid >> 10) & 0x3F;
  switch (language) {
    case 0x04: return sublanguage == 0x02 || sublanguage == 0x04 ? 936 : 950;  // zh-CN, zh-SG
    case 0x11: return 932;
    case 0x12: return 949;
    case 0x1E: return 874;
    case 0x2A: return 1258;
    case 0x01: return 1256;
    case 0x0D: return 1255;
    case 0x1F: return 1254;
    case 0x08: return 1253;
    case 0x25: case 0x26: case 0x27: return 1257;
    case 0x02: case 0x19: case 0x22: case 0x23: case 0x2F: return 1251;
    case 0x05: case 0x0E: case 0x15: case 0x18: case 0x1A: case 0x1B: case 0x1C: case 0x24: return 1250;
    default: return 1252;
  }
}

}  // namespace

bool MultiByteToWide(uint32_t codePage, const std::string& bytes, std::wstring* text, bool failOnInvalid) {
  Converter converter("WCHAR_T", IconvNameOf(codePage));
  if (!converter.ok()) return UnknownCodePage();
  std::string wideBytes;
  bool ok = converter.Run(bytes.data(), bytes.size(), 1, &wideBytes, [&](std::string* out) {
    if (failOnInvalid) return false;
    // Windows (since Vista) puts U+FFFD for each invalid UTF-8 sequence.
    wchar_t replacement = codePage == kCodePageUtf8 ? L'\uFFFD' : L'?';
    out->append(reinterpret_cast<const char*>(&replacement), sizeof replacement);
    return true;
  });
  if (!ok) {
    SetLastErrorCode(kErrorNoUnicodeTranslation);
    return false;
  }
  text->assign(reinterpret_cast<const wchar_t*>(wideBytes.data()), wideBytes.size() / sizeof(wchar_t));
  return true;
}

bool WideToMultiByte(uint32_t codePage, const std::wstring& text, std::string* bytes, bool* usedDefault) {
  Converter converter(IconvNameOf(codePage), "WCHAR_T");
  if (!converter.ok()) return UnknownCodePage();
  bool defaulted = false;
  std::string out;
  converter.Run(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t), sizeof(wchar_t), &out,
                [&](std::string* converted) {
                  converted->push_back(kDefaultChar);
                  defaulted = true;
                  return true;
                });
  *bytes = std::move(out);
  if (usedDefault) *usedDefault = defaulted;
  return true;
}

bool MultiByteToWideUserLocale(const std::string& bytes, std::wstring* text) {
  // mbstowcs converts up to the terminator.
  std::string untilNul(bytes.c_str());
  return MultiByteToWide(AnsiCodePageOfLocale(GetUserDefaultLocaleId()), untilNul, text, true);
}

}  // namespace platform
