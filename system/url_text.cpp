#include "system/url_text.h"

#include "platform/system_info.h"
#include "system/text_convert.h"
#include "system/text_trim.h"

namespace {

bool HasSchemeAndMore(const std::wstring& text, const std::wstring& scheme) {
  return text.size() > scheme.size() && text.compare(0, scheme.size(), scheme) == 0;
}

}  // namespace

bool IsHttpUrl(const std::wstring& text) {
  std::wstring trimmed = TrimBlanks(text);
  return HasSchemeAndMore(trimmed, L"http://") || HasSchemeAndMore(trimmed, L"https://");
}

std::wstring AppendTimestampParam(const std::wstring& url) {
  std::wstring separator = url.find(L'?') == std::wstring::npos ? L"?" : L"&";
  // The low 32 bits of the clock, written as unsigned like every number we send.
  int seconds = static_cast<int>(static_cast<uint32_t>(platform::GetUnixTimeNow()));
  return url + separator + L"_t=" + Utf8ToWide(IntToText(seconds));
}
