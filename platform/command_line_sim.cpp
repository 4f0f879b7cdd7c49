// Command-line splitting by the rules of CommandLineToArgvW.
#include "platform/command_line.h"
#include "platform/resources.h"

namespace platform {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The program name: up to the next quotation mark when it starts with one,
// else up to the first blank. No escapes apply to it.
size_t TakeProgramName(const std::wstring& line, std::wstring* name) {
  size_t pos = 0;
  if (!line.empty() && line[0] == L'"') {
    size_t close = line.find(L'"', 1);
    *name = line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
    return close == std::wstring::npos ? line.size() : close + 1;
  }
  while (pos < line.size() && !IsBlank(line[pos])) ++pos;
  *name = line.substr(0, pos);
  return pos;
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(const std::wstring& commandLine) {
  if (commandLine.empty()) return {GetModulePath()};
  std::vector<std::wstring> args(1);
  size_t pos = TakeProgramName(commandLine, &args[0]);

  bool inArgument = false;
  bool quoted = false;
  size_t backslashes = 0;
  std::wstring current;
  auto flushBackslashes = [&] {
    current.append(backslashes, L'\\');
    backslashes = 0;
  };
  for (; pos < commandLine.size(); ++pos) {
    wchar_t c = commandLine[pos];
    if (IsBlank(c) && !quoted) {
      flushBackslashes();
      if (inArgument) args.push_back(current);
      current.clear();
      inArgument = false;
      continue;
    }
    inArgument = true;
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c != L'"') {
      flushBackslashes();
      current += c;
      continue;
    }
    // 2n backslashes before a quote give n backslashes and a quote that
    // groups; 2n+1 give n backslashes and a literal quote.
    current.append(backslashes / 2, L'\\');
    bool escaped = backslashes % 2 == 1;
    backslashes = 0;
    if (escaped) {
      current += L'"';
    } else if (quoted && pos + 1 < commandLine.size() && commandLine[pos + 1] == L'"') {
      current += L'"';  // "" inside quotes is one literal quote and ends the quoting
      quoted = false;
      ++pos;
    } else {
      quoted = !quoted;
    }
  }
  flushBackslashes();
  if (inArgument) args.push_back(current);
  return args;
}

}  // namespace platform
