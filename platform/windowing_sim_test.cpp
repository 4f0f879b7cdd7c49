// Windows of the simulated machine as its journal shows them: show states
// and activations another process asks for, and the machine's whole list of
// windows.
#include "platform/windowing.h"

#include <gtest/gtest.h>

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

TEST_F(WindowingTest, AnotherProcessWindowIsActivatedAsTheJournalShows) {
  WindowHandle own = CreateTopLevelWindow(L"KIV", L"Other product");
  WindowHandle theirs = 0;
  auto holder = StartHolder(L"KIV \"Acme Notes\" 20000 visible", L"KIV", L"Acme Notes", &theirs);
  ASSERT_NE(theirs, 0u);
  // The holder shows its window right after registering it.
  for (int i = 0; i < 500 && !IsWindowVisibleNow(theirs); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
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

  // Once the holder has ended, the machine has no window but this process's,
  // and the ended one can not be activated.
  holder->Terminate(0);
  ASSERT_EQ(holder->Wait(10000), WaitResult::kSignaled);
  EXPECT_FALSE(SetForegroundWindowTo(theirs));
  EXPECT_EQ(EnumTopLevelWindows(), std::vector<WindowHandle>{own});
}

}  // namespace
}  // namespace platform
