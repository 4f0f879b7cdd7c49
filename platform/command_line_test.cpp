#include "platform/command_line.h"

#include <gtest/gtest.h>

#include "platform/resources.h"
#include "platform/testing/sim_machine_fixture.h"

namespace platform {
namespace {

struct SplitCase {
  std::wstring line;
  std::vector<std::wstring> args;
};

TEST(SplitCommandLineTest, FollowsTheWindowsArgumentRules) {
  const SplitCase cases[] = {
      {L"prog a  b", {L"prog", L"a", L"b"}},
      {L"\"C:\\Program Files\\x.exe\" /S", {L"C:\\Program Files\\x.exe", L"/S"}},
      // The program name knows no escapes: an inner quote is kept, and a
      // closing quote ends the name even without a blank.
      {L"C:\\a\"b c", {L"C:\\a\"b", L"c"}},
      {L"\"a\"b c", {L"a", L"b", L"c"}},
      {L"x a\\\\\\\\\"b c\" d", {L"x", L"a\\\\b c", L"d"}},  // 2n backslashes + quote
      {L"x a\\\\\\\"b", {L"x", L"a\\\"b"}},                 // 2n+1 backslashes + quote
      {L"x a\\\\b\\", {L"x", L"a\\\\b\\"}},                   // no quote: kept as they are
      {L"x \"a\"\"b\" c", {L"x", L"a\"b c"}},                   // "" inside quotes: a quote, quoting ends
      {L"x \"\" b", {L"x", L"", L"b"}},
      {L"x\t\"a b\\\\\"", {L"x", L"a b\\"}},
      {L"x \"open to the end", {L"x", L"open to the end"}},
      {L"x   ", {L"x"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.line), c.args) << std::string(c.line.begin(), c.line.end());
  }
}

class SplitEmptyCommandLineTest : public testing::SimMachineTest {};

TEST_F(SplitEmptyCommandLineTest, YieldsTheModulePath) {
  std::vector<std::wstring> args = SplitCommandLine(L"");
  ASSERT_EQ(args.size(), 1u);
  EXPECT_EQ(args[0], GetModulePath());
  EXPECT_FALSE(args[0].empty());
}

}  // namespace
}  // namespace platform
