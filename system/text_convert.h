#pragma once
// Conversions between UTF-16 texts (std::wstring), ANSI and UTF-8 texts
// (std::string), and numbers as text.
#include <string>

// To the system ANSI code page; characters the code page lacks become its
// default character. The text ends at its first NUL; empty on failure.
std::string WideToAnsi(const std::wstring& text);
// With the C library's multibyte rules under the user's default locale; empty
// when the text is not valid there.
std::wstring AnsiToWide(const std::string& text);
// Lenient UTF-8: an unpaired surrogate is written as U+FFFD.
std::string WideToUtf8(const std::wstring& text);
// Lenient UTF-8: every byte that does not start a valid sequence becomes
// "?"; the result ends at its first NUL.
std::wstring Utf8ToWide(const std::string& text);

// Strict forms for the service client: any invalid sequence (a malformed or
// overlong byte sequence, an unpaired surrogate) makes the result empty.
std::string WideToUtf8Strict(const std::wstring& text);
std::wstring Utf8ToWideStrict(const std::string& text);

// The value as an unsigned 32-bit decimal: -1 gives "4294967295".
std::string IntToText(int value);
// Signed decimal: -5 gives L"-5".
std::wstring IntToWideText(int value);
// Upper-case hexadecimal without prefix or padding ("%X").
std::wstring IntToHexText(int value);
