#pragma once
// Small URL text helpers.
#include <string>

// With blanks trimmed at both ends: "http://" followed by at least one
// character, or "https://" followed by at least one character.
bool IsHttpUrl(const std::wstring& text);
// Appends "?_t=<unix seconds>" ("&_t=..." when the URL has a query already)
// so that caches between here and the server are bypassed.
std::wstring AppendTimestampParam(const std::wstring& url);
