#pragma once
// The program's entry and its command line.
#include <string>
#include <vector>

namespace platform {

// CommandLineToArgvW: splits a command line by the Windows rules (the first
// argument by the program-name rules, the rest with quotes and backslash
// escapes). An empty command line yields one argument: the module's path.
std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine);

}  // namespace platform

// Defined by the program (shell/), called by the backend's entry point with
// the ANSI command line without the program name (WinMain's lpCmdLine); its
// result is the process exit code.
int KivMain(const std::string& ansiCommandLine);
