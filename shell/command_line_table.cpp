#include "shell/command_line_table.h"

#include "platform/codepage.h"
#include "platform/command_line.h"

CommandLineTable ParseCommandLine(const std::string& ansiCommandLine) {
  std::wstring wide;
  platform::MultiByteToWideUserLocale(ansiCommandLine, &wide);
  CommandLineTable table;
  for (const std::wstring& argument : platform::SplitCommandLine(wide)) {
    size_t equals = argument.find(L'=');
    if (equals == std::wstring::npos) {
      table[argument] = L"";
    } else {
      table[argument.substr(0, equals)] = argument.substr(equals + 1);
    }
  }
  return table;
}

std::wstring ValueOf(const CommandLineTable& table, const std::wstring& key) {
  auto it = table.find(key);
  return it == table.end() ? std::wstring() : it->second;
}
