// Process launching on the simulated machine: what its journal shows (the
// verb, the window a run asks for, shell opens, activations), programs found
// on its path, declined elevation, a machine without .NET, browsers found
// through its registry, and the package lock, which a real machine hides
// behind the lock it puts on every running program's file.
#include "system/process_launch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/system_info.h"
#include "platform/testing/journal_entries.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/windowing.h"
#include "tools/testprogs/test_programs.h"

namespace {

using platform::testing::JournalEntries;

const std::string kPrograms = testprogs::ProgramsMember({
    {"C:\\Tools\\exit_with.exe", "exit_with"},
    {"C:\\Tools\\window_holder.exe", "window_holder"},
    {"C:\\Windows\\System32\\cleanmgr.exe", "exit_with"},
    {"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe", "exit_with"},
});

class SimProcessLaunchTest : public platform::testing::SimMachineTest {
 protected:
  void SetUp() override { UseMachine(""); }

  // A 32-bit Windows machine with the test programs and `extra` profile members.
  void UseMachine(const std::string& extra) {
    UseProfile("{\"os\": {\"bits\": 32, \"wow64\": false}, " + kPrograms + (extra.empty() ? "" : ", " + extra) + "}");
  }

  static std::vector<std::string> Verbs() {
    std::vector<std::string> verbs;
    for (auto& e : JournalEntries("process_start")) verbs.push_back(e["verb"]);
    return verbs;
  }
};

TEST_F(SimProcessLaunchTest, RunExeAsksForElevationFromVista) {
  const std::pair<int, const char*> cases[] = {{10, "runas"}, {6, "runas"}, {5, "open"}};
  for (const auto& [osMajor, verb] : cases) {
    UseMachine("\"os\": {\"major\": " + std::to_string(osMajor) + "}");
    EXPECT_EQ(RunExe(L"C:\\Tools\\exit_with.exe", L"0", true), 0);
    EXPECT_EQ(Verbs(), std::vector<std::string>{verb}) << osMajor;
  }
}

TEST_F(SimProcessLaunchTest, RunExeHoldsThePackageSoOthersCanReadButNotWriteOrDelete) {
  // A stand-in package (a script, which the host lets be written while it
  // runs) has another process probe the package file while it runs and
  // exits with what that found: bit 1 read, 2 write, 4 delete.
  const std::wstring package = L"C:\\Users\\me\\Downloads\\setup.exe";
  WriteHostProgram("C/Users/me/Downloads/setup.exe",
                   "#!/bin/sh\n'" + testprogs::HostPath("lock_probe") + "' \"$1\"\n");
  EXPECT_EQ(RunExe(package, package, false), 1);
  EXPECT_TRUE(platform::FileExists(package));
  EXPECT_EQ(RunExe(package, package, true), 7);  // without the lock anything goes
  EXPECT_FALSE(platform::FileExists(package));
}

TEST_F(SimProcessLaunchTest, RunExeFindsABareNameOnThePathOnlyThroughTheShell) {
  EXPECT_EQ(RunExe(L"cleanmgr", L"5", false), kRunExeLockFailed);  // a bare name is no file to lock
  EXPECT_EQ(RunExe(L"cleanmgr", L"5", true), 5);
  EXPECT_EQ(JournalEntries("process_start").size(), 1u);
}

TEST_F(SimProcessLaunchTest, RunExeDeclinedStartsNothing) {
  UseMachine("\"elevation\": \"decline\"");
  EXPECT_EQ(RunExe(L"C:\\Tools\\exit_with.exe", L"0 20000", true), kRunExeNotStarted);
  EXPECT_TRUE(JournalEntries("process_start").empty());
}

TEST_F(SimProcessLaunchTest, HiddenRunAsksForNoWindow) {
  EXPECT_TRUE(RunHiddenAndWait(L"C:\\Tools\\exit_with.exe 0"));
  auto starts = JournalEntries("process_start");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0]["no_window"], "1");
  EXPECT_EQ(starts[0]["show"], std::to_string(platform::kSwHide));
}

TEST_F(SimProcessLaunchTest, DotNetProbeRefusesWithoutPolicyOrCommandLine) {
  EXPECT_FALSE(RunDotNetProbe(L"C:\\Tools\\exit_with.exe 0"));  // no .NET 2.0 policy
  UseMachine(R"("registry": {"HKLM\\SOFTWARE\\Microsoft\\.NETFramework\\policy\\v2.0": {"50727": "50727-50727"}})");
  EXPECT_FALSE(RunDotNetProbe(L""));
  EXPECT_TRUE(JournalEntries("process_start").empty());
}

// Registry members for the browsers: App Paths entries and Opera's command.
std::string AppPath(const std::string& exe, const std::string& path) {
  return "\"HKLM\\\\SOFTWARE\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\" + exe +
         "\": {\"\": " + testprogs::JsonText(path) + "}";
}
std::string OperaCommand(const std::string& value) {
  return "\"HKCR\\\\Applications\\\\opera.exe\\\\shell\\\\open\\\\command\": {\"\": " + testprogs::JsonText(value) +
         "}";
}

TEST_F(SimProcessLaunchTest, PreferredBrowserOrderAndOperaCommand) {
  const std::string chrome = "C:\\Chrome\\chrome.exe", firefox = "C:\\Firefox\\firefox.exe",
                    safari = "C:\\Safari\\Safari.exe", opera = "C:\\Opera\\opera.exe";
  const struct {
    std::vector<std::string> registry;
    std::vector<std::string> files;  // sandbox files that exist
    std::string expected;
  } cases[] = {
      {{AppPath("chrome.exe", chrome), AppPath("firefox.exe", firefox)}, {"C/Chrome/chrome.exe", "C/Firefox/firefox.exe"}, chrome},
      // Chrome registered but gone: the next browser wins.
      {{AppPath("chrome.exe", chrome), AppPath("Safari.exe", safari)}, {"C/Safari/Safari.exe"}, safari},
      {{OperaCommand("\"" + opera + "\" \"%1\"")}, {"C/Opera/opera.exe"}, opera},
      {{OperaCommand(opera)}, {"C/Opera/opera.exe"}, opera},  // no quotation mark: the whole value
      {{OperaCommand("\"" + opera)}, {"C/Opera/opera.exe"}, ""},  // no closing mark: the whole value, no file
      {{OperaCommand("\"" + opera + "\" \"%1\"")}, {}, ""},
      {{}, {}, ""},
  };
  for (const auto& c : cases) {
    std::string registry;
    for (const auto& member : c.registry) registry += (registry.empty() ? "" : ", ") + member;
    UseMachine("\"registry\": {" + registry + "}");
    for (const auto& file : c.files) WriteHostFile(file, "MZ");
    std::wstring found = FindPreferredBrowser();
    EXPECT_EQ(std::string(found.begin(), found.end()), c.expected) << registry;
  }
}

TEST_F(SimProcessLaunchTest, UrlOpensInChromeOrTheDefaultHandlerAndIsRecorded) {
  const std::string chrome = "C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe";
  std::vector<std::pair<int64_t, int>> recorded;
  SetUrlOpenRecorder([&](int64_t when, int result) { recorded.emplace_back(when, result); });

  UseMachine("\"registry\": {" + AppPath("chrome.exe", chrome) + "}");
  WriteHostFile("C/Program Files/Google/Chrome/Application/chrome.exe", "MZ");
  EXPECT_TRUE(OpenUrlInBrowser(L"https://product.test/thanks?x=1", true));
  auto starts = JournalEntries("process_start");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0]["file"], chrome);
  EXPECT_EQ(starts[0]["parameters"], "https://product.test/thanks?x=1");
  EXPECT_EQ(starts[0]["verb"], "");
  EXPECT_EQ(starts[0]["show"], std::to_string(platform::kSwShowNoActivate));
  EXPECT_TRUE(JournalEntries("shell_open").empty());
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_EQ(recorded[0].second, 42);
  EXPECT_NEAR(static_cast<double>(recorded[0].first), static_cast<double>(time(nullptr)), 5);

  UseMachine("");
  EXPECT_TRUE(OpenUrlInBrowser(L"http://product.test/", false));
  auto opens = JournalEntries("shell_open");
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0]["verb"], "Open");
  EXPECT_EQ(opens[0]["file"], "http://product.test/");
  EXPECT_EQ(recorded.size(), 1u);  // not asked to record

  // Only web pages go to the shell.
  for (const wchar_t* url : {L"file:///C:/Windows/system32/calc.exe", L"C:\\Tools\\exit_with.exe", L"ftp://x.test/"}) {
    EXPECT_FALSE(OpenUrlInBrowser(url, true));
  }
  EXPECT_EQ(JournalEntries("shell_open").size(), 1u);
  EXPECT_TRUE(JournalEntries("process_start").empty());
  EXPECT_EQ(recorded.size(), 1u);
  SetUrlOpenRecorder(nullptr);
}

TEST_F(SimProcessLaunchTest, BringsTheOutermostVisibleWindowOfTheProcessToFront) {
  for (const char* layout : {"owned", "hidden"}) {
    UseMachine("");
    platform::ProcessStart start;
    start.commandLine = L"C:\\Tools\\window_holder.exe Product \"Acme Notes\" 20000 " +
                        std::wstring(layout, layout + strlen(layout));
    auto holder = platform::StartProcess(start);
    ASSERT_NE(holder, nullptr);
    platform::WindowHandle main = 0;
    for (int i = 0; i < 500 && (main = platform::FindTopLevelWindow(L"Product", L"Acme Notes")) == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_NE(main, 0u);
    // In the owned layout the pop-up exists once the main window is shown.
    for (int i = 0; i < 500 && std::string(layout) == "owned" &&
                    platform::FindTopLevelWindow(L"Popup", L"Acme Notes popup") == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The holder journals its own show states too, possibly still now: count
    // only what this process did.
    const std::string self = std::to_string(platform::CurrentProcessId());
    auto shownHere = [&self] {
      std::vector<platform::testing::JournalEntry> mine;
      for (auto& entry : JournalEntries("show_window")) {
        if (entry["pid"] == self) mine.push_back(entry);
      }
      return mine;
    };
    size_t shownBefore = shownHere().size();

    BringProcessWindowToFront(holder->Id());

    auto foreground = JournalEntries("foreground");
    if (std::string(layout) == "owned") {
      ASSERT_EQ(foreground.size(), 1u);
      EXPECT_EQ(foreground[0]["window"], std::to_string(main));
      auto shown = shownHere();
      ASSERT_EQ(shown.size(), shownBefore + 1);
      EXPECT_EQ(shown.back()["command"], std::to_string(platform::kSwShowNormal));
      auto focus = JournalEntries("focus");
      ASSERT_EQ(focus.size(), 1u);
      EXPECT_EQ(focus[0]["window"], std::to_string(main));
    } else {
      EXPECT_TRUE(foreground.empty()) << "a hidden window is skipped";
    }
    holder->Terminate(0);
    holder->Wait(platform::kWaitInfinite);
  }
}

}  // namespace
