// Code page conversions through MultiByteToWideChar / WideCharToMultiByte,
// and the C library's conversion under the user's locale.
#include <windows.h>

#include <clocale>
#include <cstdlib>
#include <mutex>

#include "platform/codepage.h"
#include "platform/win_error.h"

namespace platform {
namespace {

// An empty text is refused by both calls (ERROR_INVALID_PARAMETER); it
// converts to an empty text in every code page that exists.
bool EmptyConverts(uint32_t codePage) {
  if (IsValidCodePage(codePage)) return true;
  SetLastError(ERROR_INVALID_PARAMETER);
  return false;
}

}  // namespace

bool MultiByteToWide(uint32_t codePage, const std::string& bytes, std::wstring* text, bool failOnInvalid) {
  if (bytes.empty()) {
    if (!EmptyConverts(codePage)) return false;
    text->clear();
    return true;
  }
  DWORD flags = failOnInvalid ? MB_ERR_INVALID_CHARS : 0;
  int length = static_cast<int>(bytes.size());
  int chars = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
  if (chars == 0) return false;
  std::wstring converted(chars, L'\0');
  if (!MultiByteToWideChar(codePage, flags, bytes.data(), length, converted.data(), chars)) return false;
  *text = std::move(converted);
  return true;
}

bool WideToMultiByte(uint32_t codePage, const std::wstring& text, std::string* bytes, bool* usedDefault) {
  if (usedDefault) *usedDefault = false;
  if (text.empty()) {
    if (!EmptyConverts(codePage)) return false;
    bytes->clear();
    return true;
  }
  // UTF-7 and UTF-8 have no default character: asking whether it was used
  // is refused with ERROR_INVALID_PARAMETER, so those never report it.
  BOOL defaulted = FALSE;
  BOOL* askDefault = (codePage == CP_UTF8 || codePage == CP_UTF7 || !usedDefault) ? nullptr : &defaulted;
  int length = static_cast<int>(text.size());
  int size = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size == 0) return false;
  std::string converted(size, '\0');
  if (!WideCharToMultiByte(codePage, 0, text.data(), length, converted.data(), size, nullptr, askDefault)) return false;
  *bytes = std::move(converted);
  if (usedDefault) *usedDefault = defaulted;
  return true;
}

bool MultiByteToWideUserLocale(const std::string& bytes, std::wstring* text) {
  // setlocale changes the whole process; the lock keeps two of these calls
  // from restoring each other's locale out of order.
  static std::mutex localeMutex;
  std::lock_guard<std::mutex> lock(localeMutex);
  const char* current = setlocale(LC_ALL, nullptr);
  std::string previous = current ? current : "C";
  setlocale(LC_ALL, "");
  size_t chars = mbstowcs(nullptr, bytes.c_str(), 0);  // up to the first NUL, like mbstowcs itself
  bool ok = chars != static_cast<size_t>(-1);
  if (ok) {
    std::wstring converted(chars, L'\0');
    mbstowcs(converted.data(), bytes.c_str(), chars + 1);
    *text = std::move(converted);
  }
  setlocale(LC_ALL, previous.c_str());
  if (!ok) SetLastError(ERROR_NO_UNICODE_TRANSLATION);
  return ok;
}

}  // namespace platform
