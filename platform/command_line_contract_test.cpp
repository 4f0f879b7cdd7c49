// How Windows splits a command line into arguments (CommandLineToArgvW).
// Runs on every backend.
#include <gtest/gtest.h>

#include "platform/command_line.h"
#include "platform/resources.h"
#include "platform/testing/scratch_fixture.h"

namespace platform {
namespace {

class CommandLineContract : public testing::ScratchTest {};

TEST_F(CommandLineContract, SplitsByTheWindowsRules) {
  struct Case {
    const wchar_t* line;
    std::vector<std::wstring> args;
  };
  const Case cases[] = {
      {L"prog a  b\tc", {L"prog", L"a", L"b", L"c"}},
      {L"\"C:\\Program Files\\x.exe\" /S", {L"C:\\Program Files\\x.exe", L"/S"}},
      {L"C:\\dir\\a\\\"b c", {L"C:\\dir\\a\\\"b", L"c"}},  // no escapes in the program name
      {L"\"a\"b c", {L"a", L"b", L"c"}},                      // its closing quote ends it even without a blank
      {L"p \"abc\" d e", {L"p", L"abc", L"d", L"e"}},
      {L"p a\\\\\\b d\"e f\"g h", {L"p", L"a\\\\\\b", L"de fg", L"h"}},
      {L"p a\\\\b\\", {L"p", L"a\\\\b\\"}},  // backslashes before no quote are kept, even at the end
      {L"p a\\\\\\\"b c d", {L"p", L"a\\\"b", L"c", L"d"}},
      {L"p a\\\\\\\\\"b c\" d e", {L"p", L"a\\\\b c", L"d", L"e"}},
      {L"p \"a b\\\\\"", {L"p", L"a b\\"}},
      {L"p \"\" b", {L"p", L"", L"b"}},
      {L"p \"open to the end", {L"p", L"open to the end"}},
      {L"p \"a\"\"b\" c", {L"p", L"a\"b c"}},  // "" while quoted: a quote, and the quoting ends
      {L"p \"a\"\"\"b c\" d", {L"p", L"a\"b c", L"d"}},
      {L"p a\"\"b", {L"p", L"ab"}},
      {L"p x   ", {L"p", L"x"}},
  };
  for (const auto& c : cases) {
    std::wstring line = c.line;
    SCOPED_TRACE(std::string(line.begin(), line.end()));
    EXPECT_EQ(SplitCommandLine(line), c.args);
  }
}

TEST_F(CommandLineContract, EmptyLineYieldsTheProgramPath) {
  auto args = SplitCommandLine(L"");
  ASSERT_EQ(args.size(), 1u);
  EXPECT_NE(args[0].find(L'\\'), std::wstring::npos);
  EXPECT_EQ(args[0], GetModulePath());
}

}  // namespace
}  // namespace platform
