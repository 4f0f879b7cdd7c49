#pragma once
// Trimming of user and server supplied texts.
#include <string>

// The text without blanks (space, tab, CR, LF) at either end.
std::wstring TrimBlanks(const std::wstring& text);
