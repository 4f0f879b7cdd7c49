// Centring windows on the primary screen.
#include "system/window_placement.h"

#include <gtest/gtest.h>

#include "platform/testing/journal_entries.h"
#include "platform/testing/sim_machine_fixture.h"

namespace {

using platform::WindowRect;
using platform::testing::JournalEntries;

class WindowPlacementTest : public platform::testing::SimMachineTest {};

TEST_F(WindowPlacementTest, CentresOnThePrimaryScreenKeepingTheSize) {
  struct Case {
    int screenWidth, screenHeight;
    WindowRect before;
    int left, top;  // expected new position
  } cases[] = {
      {1920, 1080, {10, 20, 810, 620}, 560, 240},
      {1920, 1080, {-300, 900, 501, 1501}, 559, 239},  // odd size: the half is rounded down
      {1920, 1080, {5, 5, 1925, 1085}, 0, 0},          // exactly the screen's size
      {1920, 1080, {5, 5, 1926, 1086}, 0, 0},          // one over: -1/2 truncates to 0
      {1366, 768, {0, 0, 600, 400}, 383, 184},
  };
  for (const Case& c : cases) {
    UseProfile(R"({"screen": {"width": )" + std::to_string(c.screenWidth) + R"(, "height": )" +
               std::to_string(c.screenHeight) + "}}");
    platform::WindowHandle window = platform::CreateTopLevelWindow(L"KIV", L"Acme");
    ASSERT_TRUE(platform::SetWindowRectOf(window, c.before));
    EXPECT_TRUE(CenterWindowOnScreen(window)) << c.left;
    WindowRect after;
    ASSERT_TRUE(platform::GetWindowRectOf(window, &after));
    EXPECT_EQ(after.left, c.left);
    EXPECT_EQ(after.top, c.top);
    EXPECT_EQ(after.right - after.left, c.before.right - c.before.left);
    EXPECT_EQ(after.bottom - after.top, c.before.bottom - c.before.top);
    auto moves = JournalEntries("move_window");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0]["window"], std::to_string(window));
    platform::DestroyTopLevelWindow(window);
  }
}

TEST_F(WindowPlacementTest, MovingNeitherActivatesNorRaises) {
  platform::WindowHandle below = platform::CreateTopLevelWindow(L"KIV", L"Acme");
  ASSERT_TRUE(platform::SetWindowRectOf(below, {0, 0, 640, 480}));
  platform::WindowHandle above = platform::CreateTopLevelWindow(L"KIV", L"Other");
  ASSERT_TRUE(CenterWindowOnScreen(below));
  EXPECT_EQ(platform::EnumTopLevelWindows().front(), above);
  EXPECT_TRUE(JournalEntries("foreground").empty());
  EXPECT_FALSE(platform::IsWindowVisibleNow(below));
}

TEST_F(WindowPlacementTest, WindowLargerThanTheScreenOrMissingIsLeftAlone) {
  for (WindowRect tooLarge : {WindowRect{30, 40, 30 + 1922, 40 + 600}, WindowRect{30, 40, 30 + 800, 40 + 1082}}) {
    platform::WindowHandle window = platform::CreateTopLevelWindow(L"KIV", L"Acme");
    ASSERT_TRUE(platform::SetWindowRectOf(window, tooLarge));
    EXPECT_FALSE(CenterWindowOnScreen(window));
    WindowRect after;
    ASSERT_TRUE(platform::GetWindowRectOf(window, &after));
    EXPECT_EQ(after.left, 30);
    EXPECT_EQ(after.top, 40);
    platform::DestroyTopLevelWindow(window);
  }
  EXPECT_FALSE(CenterWindowOnScreen(0x7FFFFFF0u));  // no such window
  EXPECT_TRUE(JournalEntries("move_window").empty());
}

}  // namespace
