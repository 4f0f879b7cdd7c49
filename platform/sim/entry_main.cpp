// The sim backend's process entry: rebuilds the ANSI command line that
// WinMain would receive (the arguments without the program name, quoted by
// the rules that CommandLineToArgvW undoes) and runs the program.
#include <string>

#include "platform/command_line.h"

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

}  // namespace

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += QuoteArgument(argv[i]);
  }
  return KivMain(commandLine);
}
