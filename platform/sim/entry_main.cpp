// The sim backend's process entry: rebuilds the ANSI command line that
// WinMain would receive (the arguments without the program name, quoted by
// the rules that CommandLineToArgvW undoes) and runs the program.
#include <cstdio>
#include <string>

#include "platform/codepage.h"
#include "platform/command_line.h"
#include "platform/process.h"
#include "platform/sim_control.h"
#include "platform/system_info.h"

namespace {

std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

// Host arguments are UTF-8; Windows hands the program its ANSI code page.
std::string ToAnsi(const std::string& utf8) {
  std::wstring wide;
  std::string ansi;
  if (!platform::MultiByteToWide(platform::kCodePageUtf8, utf8, &wide) ||
      !platform::WideToMultiByte(platform::GetAnsiCodePage(), wide, &ansi)) {
    return utf8;
  }
  return ansi;
}

}  // namespace

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += QuoteArgument(ToAnsi(argv[i]));
  }
  printf("sandbox:         %s\n", platform::sim::SandboxFolder().c_str());
  fflush(stdout);
  // The whole 32-bit exit code (-1 included) reaches a simulated parent.
  platform::ExitCurrentProcess(static_cast<uint32_t>(KivMain(commandLine)));
}
