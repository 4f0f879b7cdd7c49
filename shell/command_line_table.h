#pragma once
// The command line as an ordered table of key=value arguments.
#include <map>
#include <string>

using CommandLineTable = std::map<std::wstring, std::wstring>;

// Decodes the ANSI command line in the user's default code page, splits it
// by the Windows argument rules and maps each argument's text before its
// first "=" to the text after it (the whole argument and an empty value when
// there is no "="). A key given twice keeps its last value.
CommandLineTable ParseCommandLine(const std::string& ansiCommandLine);

// The value of `key`, empty when absent.
std::wstring ValueOf(const CommandLineTable& table, const std::wstring& key);
