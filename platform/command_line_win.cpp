// Command-line splitting through CommandLineToArgvW.
#include "platform/command_line.h"

#include <windows.h>
#include <shellapi.h>

namespace platform {

// An empty line gives the module's path, as CommandLineToArgvW itself does.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(commandLine.c_str(), &count);
  if (!argv) return {};
  std::vector<std::wstring> args(argv, argv + count);
  LocalFree(argv);
  return args;
}

}  // namespace platform
