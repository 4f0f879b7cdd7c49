// What the window primitives do on Windows: top-level windows found by class
// and title, across processes (tools/testprogs/window_holder), messages
// posted to them, show states, owned pop-ups and the Z order. Runs on every
// backend; Wine runs it with its null graphics driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/process.h"
#include "platform/system_info.h"
#include "platform/testing/scratch_fixture.h"
#include "platform/windowing.h"

namespace platform {
namespace {

class WindowingContract : public testing::ScratchTest {
 protected:
  void TearDown() override {
    for (WindowHandle window : windows_) DestroyTopLevelWindow(window);
    ScratchTest::TearDown();
  }
  WindowHandle Window(const std::wstring& className, const std::wstring& title, WindowHandle owner = 0) {
    WindowHandle window = CreateTopLevelWindow(className, title, owner);
    if (window) windows_.push_back(window);
    return window;
  }
  // Polls for up to five seconds until `done` holds: another process acts
  // in its own time.
  template <typename Condition>
  static bool Eventually(Condition done) {
    for (int i = 0; i < 500; ++i) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
  }

 private:
  std::vector<WindowHandle> windows_;
};

TEST_F(WindowingContract, AnotherProcessWindowIsFoundAndReceivesMessages) {
  WindowHandle own = Window(L"KivContract", L"Other product");
  ASSERT_NE(own, 0u);
  ProcessStart start;
  start.commandLine = L"\"" + TestProgram("window_holder") + L"\" KivContract \"Acme Notes\" 20000 visible";
  auto holder = StartProcess(start);
  ASSERT_NE(holder, nullptr);
  WindowHandle theirs = 0;
  ASSERT_TRUE(Eventually([&] { return (theirs = FindTopLevelWindow(L"kivcontract", L"acme notes")) != 0; }))
      << "class and title match ignoring case";
  EXPECT_NE(theirs, own);
  EXPECT_EQ(GetWindowProcessId(theirs), holder->Id());
  EXPECT_EQ(GetWindowProcessId(own), CurrentProcessId());
  EXPECT_TRUE(Eventually([&] { return IsWindowVisibleNow(theirs); })) << "the holder shows its window";
  EXPECT_EQ(FindTopLevelWindow(L"KivContract", L"Acme"), 0u) << "the title must match whole";
  EXPECT_EQ(FindTopLevelWindow(L"KivContract", L"Other product"), own);

  // The holder exits with the number of the message it received.
  ASSERT_TRUE(PostWindowMessage(theirs, 0x8000 + 106, 1, 2));
  ASSERT_EQ(holder->Wait(10000), WaitResult::kSignaled);
  uint32_t code = 0;
  ASSERT_TRUE(holder->GetExitCode(&code));
  EXPECT_EQ(code, 0x8000u + 106);

  // The windows of an ended process are gone.
  EXPECT_EQ(FindTopLevelWindow(L"KivContract", L"Acme Notes"), 0u);
  EXPECT_FALSE(PostWindowMessage(theirs, 0x8000, 0, 0));
  EXPECT_EQ(GetWindowProcessId(theirs), 0u);
}

TEST_F(WindowingContract, MessagesToOwnWindowsCarryTheirParameters) {
  WindowHandle window = Window(L"KivContract", L"Acme");
  ASSERT_NE(window, 0u);
  WindowMessage message;
  EXPECT_FALSE(ReceiveWindowMessage(&message, 20));  // nothing posted yet

  ASSERT_TRUE(PostWindowMessage(window, 0x400 + 111, 0xFFFFFFFFu, -5));
  ASSERT_TRUE(ReceiveWindowMessage(&message, 1000));
  EXPECT_EQ(message.window, window);
  EXPECT_EQ(message.message, 0x400u + 111);
  EXPECT_EQ(message.wParam, 0xFFFFFFFFu);
  EXPECT_EQ(message.lParam, -5);
  EXPECT_FALSE(PostWindowMessage(0, 0x400, 0, 0)) << "no window, no message";
}

TEST_F(WindowingContract, ShowStatesOwnedPopupsAndZOrder) {
  WindowHandle main = Window(L"KivContract", L"Acme");
  ASSERT_NE(main, 0u);
  EXPECT_FALSE(IsWindowVisibleNow(main));  // created hidden
  EXPECT_EQ(GetLastActivePopupOf(main), main);
  EXPECT_EQ(GetWindowOwner(main), 0u);

  EXPECT_FALSE(ShowWindowAs(main, kSwShowMinimized)) << "it was hidden";
  EXPECT_TRUE(IsWindowVisibleNow(main));
  EXPECT_TRUE(IsWindowMinimized(main));
  EXPECT_TRUE(ShowWindowAs(main, kSwRestore)) << "it was visible";
  EXPECT_FALSE(IsWindowMinimized(main));

  WindowHandle hiddenPopup = Window(L"KivContractDialog", L"", main);
  EXPECT_EQ(GetWindowOwner(hiddenPopup), main);
  EXPECT_EQ(GetLastActivePopupOf(main), main) << "a hidden pop-up does not count";
  WindowHandle popup = Window(L"KivContractDialog", L"Question", main);
  ShowWindowAs(popup, kSwShow);
  EXPECT_EQ(GetLastActivePopupOf(main), popup);
  ShowWindowAs(popup, kSwHide);
  EXPECT_EQ(GetLastActivePopupOf(main), main);

  // An owned window stays above its owner, hidden or not, also once the
  // owner is activated; the window activated last comes before the others.
  WindowHandle other = Window(L"KivContract", L"Other");
  ShowWindowAs(other, kSwShow);
  EXPECT_TRUE(SetForegroundWindowTo(main));
  auto order = EnumTopLevelWindows();
  auto at = [&order](WindowHandle window) { return std::find(order.begin(), order.end(), window) - order.begin(); };
  ASSERT_LT(at(main), static_cast<ptrdiff_t>(order.size()));
  EXPECT_LT(at(hiddenPopup), at(main));
  EXPECT_LT(at(popup), at(main));

  EXPECT_EQ(CreateTopLevelWindow(L"KivContractDialog", L"x", 0x7FFFFFF0u), 0u) << "no such owner";
  EXPECT_TRUE(DestroyTopLevelWindow(popup));
  EXPECT_FALSE(IsWindowVisibleNow(popup));
  EXPECT_EQ(GetWindowProcessId(popup), 0u);
  EXPECT_FALSE(DestroyTopLevelWindow(popup)) << "destroyed once";

  if (UnderWine()) GTEST_SKIP() << "Wine's null graphics driver does not raise the window SetForegroundWindow activates";
  EXPECT_LT(at(main), at(other));
}

}  // namespace
}  // namespace platform
