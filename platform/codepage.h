#pragma once
// Conversion between wide text and multi-byte code pages.
#include <cstdint>
#include <string>

namespace platform {

inline constexpr uint32_t kCodePageUtf8 = 65001;  // CP_UTF8

// MultiByteToWideChar(codePage, failOnInvalid ? MB_ERR_INVALID_CHARS : 0, ...).
// Bytes that are not valid in the code page become "?" (U+FFFD in UTF-8)
// unless failOnInvalid.
// False (last error set) for an unknown code page or, with failOnInvalid, an
// invalid sequence.
bool MultiByteToWide(uint32_t codePage, const std::string& bytes, std::wstring* text,
                     bool failOnInvalid = false);

// WideCharToMultiByte(codePage, 0, ..., nullptr, &usedDefault): characters
// that the code page lacks become its default character. `usedDefault` may
// be null. False (last error set) for an unknown code page.
bool WideToMultiByte(uint32_t codePage, const std::wstring& text, std::string* bytes,
                     bool* usedDefault = nullptr);

// The C library's mbstowcs with the process locale switched to the user's
// default locale (setlocale(LC_ALL, "")) for the call and restored after it.
// False when the text is not valid in that locale's code page.
bool MultiByteToWideUserLocale(const std::string& bytes, std::wstring* text);

}  // namespace platform
