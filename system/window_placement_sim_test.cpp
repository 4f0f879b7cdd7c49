// Centring windows as the simulated machine's journal shows it: one move
// when the window fits the screen, none otherwise, and no activation.
#include "system/window_placement.h"

#include <gtest/gtest.h>

#include "platform/testing/journal_entries.h"
#include "platform/testing/sim_machine_fixture.h"

namespace {

using platform::WindowRect;
using platform::testing::JournalEntries;

class SimWindowPlacementTest : public platform::testing::SimMachineTest {
 protected:
  void SetUp() override { UseProfile(R"({"screen": {"width": 1366, "height": 768}})"); }
};

TEST_F(SimWindowPlacementTest, OneMoveWithoutActivationWhenTheWindowFits) {
  platform::WindowHandle window = platform::CreateTopLevelWindow(L"KIV", L"Acme");
  ASSERT_TRUE(platform::SetWindowRectOf(window, {0, 0, 600, 400}));
  ASSERT_TRUE(CenterWindowOnScreen(window));
  auto moves = JournalEntries("move_window");
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0]["window"], std::to_string(window));
  WindowRect after;
  ASSERT_TRUE(platform::GetWindowRectOf(window, &after));
  EXPECT_EQ(after.left, 383);  // the profile's screen, not the host's
  EXPECT_EQ(after.top, 184);
  EXPECT_TRUE(JournalEntries("foreground").empty());
}

TEST_F(SimWindowPlacementTest, NoMoveWhenTheWindowIsLargerThanTheScreen) {
  platform::WindowHandle window = platform::CreateTopLevelWindow(L"KIV", L"Acme");
  ASSERT_TRUE(platform::SetWindowRectOf(window, {30, 40, 30 + 1368, 40 + 600}));
  EXPECT_FALSE(CenterWindowOnScreen(window));
  EXPECT_TRUE(JournalEntries("move_window").empty());
}

}  // namespace
