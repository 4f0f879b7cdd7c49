// Centring windows on the primary screen, on whatever screen the machine has.
#include "system/window_placement.h"

#include <gtest/gtest.h>

#include "platform/system_info.h"
#include "platform/testing/sim_machine_fixture.h"

namespace {

using platform::WindowRect;

class WindowPlacementTest : public platform::testing::MachineTest {
 protected:
  void TearDown() override {
    for (platform::WindowHandle window : windows_) platform::DestroyTopLevelWindow(window);
    MachineTest::TearDown();
  }
  platform::WindowHandle Window(const std::wstring& title, const WindowRect& rect) {
    platform::WindowHandle window = platform::CreateTopLevelWindow(L"KIV", title);
    EXPECT_NE(window, 0u);
    windows_.push_back(window);
    EXPECT_TRUE(platform::SetWindowRectOf(window, rect));
    return window;
  }

 private:
  std::vector<platform::WindowHandle> windows_;
};

TEST_F(WindowPlacementTest, CentresOnThePrimaryScreenKeepingTheSize) {
  const platform::ScreenSize screen = platform::GetPrimaryScreenSize();
  ASSERT_GE(screen.width, 640);
  ASSERT_GE(screen.height, 480);
  struct Case {
    int left, top;                  // before
    int widthBelow, heightBelow;    // how much smaller than the screen the window is
    int expectedLeft, expectedTop;  // after
  } cases[] = {
      {10, 20, 200, 100, 100, 50},
      {-300, 900, 201, 101, 100, 50},  // an odd difference: the half is rounded down
      {5, 5, 0, 0, 0, 0},              // exactly the screen's size
      {5, 5, -1, -1, 0, 0},            // one over: -1/2 truncates to 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.widthBelow << " x " << c.heightBelow << " below the screen");
    const WindowRect before{c.left, c.top, c.left + screen.width - c.widthBelow, c.top + screen.height - c.heightBelow};
    platform::WindowHandle window = Window(L"Acme", before);
    EXPECT_TRUE(CenterWindowOnScreen(window));
    WindowRect after;
    ASSERT_TRUE(platform::GetWindowRectOf(window, &after));
    EXPECT_EQ(after.left, c.expectedLeft);
    EXPECT_EQ(after.top, c.expectedTop);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
  }
}

TEST_F(WindowPlacementTest, MovingNeitherShowsNorRaises) {
  platform::WindowHandle below = Window(L"Acme", {0, 0, 640, 480});
  platform::WindowHandle above = Window(L"Other", {0, 0, 100, 100});
  ASSERT_TRUE(CenterWindowOnScreen(below));
  EXPECT_EQ(platform::EnumTopLevelWindows().front(), above);
  EXPECT_FALSE(platform::IsWindowVisibleNow(below));
}

TEST_F(WindowPlacementTest, WindowLargerThanTheScreenOrMissingIsLeftAlone) {
  const platform::ScreenSize screen = platform::GetPrimaryScreenSize();
  for (WindowRect tooLarge : {WindowRect{30, 40, 30 + screen.width + 2, 40 + 400},
                              WindowRect{30, 40, 30 + 400, 40 + screen.height + 2}}) {
    platform::WindowHandle window = Window(L"Acme", tooLarge);
    EXPECT_FALSE(CenterWindowOnScreen(window));
    WindowRect after;
    ASSERT_TRUE(platform::GetWindowRectOf(window, &after));
    EXPECT_EQ(after.left, 30);
    EXPECT_EQ(after.top, 40);
  }
  EXPECT_FALSE(CenterWindowOnScreen(0x7FFFFFF0u));  // no such window
}

}  // namespace
