#include "platform/windowing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/process.h"
#include "platform/system_info.h"
#include "platform/testing/journal_entries.h"
#include "platform/testing/sim_machine_fixture.h"
#include "tools/testprogs/test_programs.h"

namespace platform {
namespace {

using testing::JournalEntries;
using testing::JournalEntry;

class WindowingTest : public testing::SimMachineTest {
 protected:
  void SetUp() override {
    UseProfile("{" + testprogs::ProgramsMember({{"C:\\Tools\\window_holder.exe", "window_holder"}}) + "}");
  }

  // Starts window_holder and waits until its window is registered.
  std::unique_ptr<Process> StartHolder(const std::wstring& args, const std::wstring& className,
                                       const std::wstring& title, WindowHandle* window) {
    ProcessStart start;
    start.commandLine = L"C:\\Tools\\window_holder.exe " + args;
    auto process = StartProcess(start);
    EXPECT_NE(process, nullptr);
    for (int i = 0; process && i < 500 && (*window = FindTopLevelWindow(className, title)) == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return process;
  }
};

TEST_F(WindowingTest, AnotherProcessWindowIsFoundActivatedAndReceivesMessages) {
  WindowHandle own = CreateTopLevelWindow(L"KIV", L"Other product");
  WindowHandle theirs = 0;
  auto holder = StartHolder(L"KIV \"Acme Notes\" 20000 visible", L"kiv", L"acme notes", &theirs);
  ASSERT_NE(theirs, 0u);
  EXPECT_NE(theirs, own);
  EXPECT_EQ(GetWindowProcessId(theirs), holder->Id());
  // The holder shows its window right after registering it.
  for (int i = 0; i < 500 && !IsWindowVisibleNow(theirs); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(IsWindowVisibleNow(theirs));
  EXPECT_EQ(FindTopLevelWindow(L"KIV", L"Acme"), 0u);  // the title must match whole

  EXPECT_TRUE(ShowWindowAs(theirs, kSwRestore));  // it was visible
  EXPECT_TRUE(SetForegroundWindowTo(theirs));
  // The holder's own show may reach the journal late: look at this process's.
  std::vector<JournalEntry> shown;
  for (auto& entry : JournalEntries("show_window")) {
    if (entry["pid"] == std::to_string(CurrentProcessId())) shown.push_back(entry);
  }
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back()["window"], std::to_string(theirs));
  EXPECT_EQ(shown.back()["command"], std::to_string(kSwRestore));
  auto foreground = JournalEntries("foreground");
  ASSERT_EQ(foreground.size(), 1u);
  EXPECT_EQ(foreground[0]["window"], std::to_string(theirs));
  EXPECT_EQ(foreground[0]["title"], "Acme Notes");

  // The holder exits with the number of the message it received.
  ASSERT_TRUE(PostWindowMessage(theirs, 0x8000 + 106, 1, 2));
  ASSERT_EQ(holder->Wait(10000), WaitResult::kSignaled);
  uint32_t code = 0;
  holder->GetExitCode(&code);
  EXPECT_EQ(code, 0x8000u + 106);

  // The windows of an ended process are gone.
  EXPECT_EQ(FindTopLevelWindow(L"KIV", L"Acme Notes"), 0u);
  EXPECT_FALSE(PostWindowMessage(theirs, 0x8000, 0, 0));
  EXPECT_FALSE(SetForegroundWindowTo(theirs));
  auto all = EnumTopLevelWindows();
  EXPECT_EQ(all, std::vector<WindowHandle>{own});
}

TEST_F(WindowingTest, MessagesToOwnWindowsCarryTheirParameters) {
  WindowHandle window = CreateTopLevelWindow(L"KIV", L"Acme");
  WindowMessage message;
  EXPECT_FALSE(ReceiveWindowMessage(&message, 20));  // nothing posted yet

  ASSERT_TRUE(PostWindowMessage(window, 0x400 + 111, 0xFFFFFFFFu, -5));
  ASSERT_TRUE(ReceiveWindowMessage(&message, 1000));
  EXPECT_EQ(message.window, window);
  EXPECT_EQ(message.message, 0x400u + 111);
  EXPECT_EQ(message.wParam, 0xFFFFFFFFu);
  EXPECT_EQ(message.lParam, -5);
}

TEST_F(WindowingTest, ShowStatesAndOwnedPopups) {
  WindowHandle main = CreateTopLevelWindow(L"KIV", L"Acme");
  EXPECT_FALSE(IsWindowVisibleNow(main));  // created hidden
  EXPECT_EQ(GetLastActivePopupOf(main), main);

  EXPECT_FALSE(ShowWindowAs(main, kSwShowMinimized));  // was hidden
  EXPECT_TRUE(IsWindowVisibleNow(main));
  EXPECT_TRUE(IsWindowMinimized(main));
  ShowWindowAs(main, kSwRestore);
  EXPECT_FALSE(IsWindowMinimized(main));

  WindowHandle hiddenPopup = CreateTopLevelWindow(L"Dialog", L"", main);
  EXPECT_EQ(GetWindowOwner(hiddenPopup), main);
  EXPECT_EQ(GetLastActivePopupOf(main), main);  // a hidden pop-up does not count
  WindowHandle popup = CreateTopLevelWindow(L"Dialog", L"Question", main);
  ShowWindowAs(popup, kSwShow);
  EXPECT_EQ(GetLastActivePopupOf(main), popup);
  ShowWindowAs(popup, kSwHide);
  EXPECT_EQ(GetLastActivePopupOf(main), main);

  // Z order: the window activated last comes first, owned pop-ups above their owner.
  SetForegroundWindowTo(main);
  auto order = EnumTopLevelWindows();
  EXPECT_EQ(order.front(), main);
  EXPECT_EQ(CreateTopLevelWindow(L"Dialog", L"x", 0x7FFFFFF0u), 0u);  // no such owner

  EXPECT_TRUE(DestroyTopLevelWindow(popup));
  EXPECT_FALSE(IsWindowVisibleNow(popup));
  EXPECT_EQ(GetWindowProcessId(popup), 0u);
}

}  // namespace
}  // namespace platform
