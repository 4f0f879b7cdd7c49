#include "system/simple_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/system_info.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/log.h"
#include "system/text_convert.h"

namespace {

class SimpleLogTest : public platform::testing::MachineTest {
 protected:
  // The log folder (ANSI code page), the scratch folder.
  std::string Folder() { return WideToAnsi(Scratch()); }
  static std::wstring W(const std::string& s) { return AnsiToWide(s); }
  static std::string Today() {
    platform::LocalTime t = platform::GetLocalTimeNow();
    char buffer[16];
    snprintf(buffer, sizeof buffer, "%4d-%02d-%02d", t.year, t.month, t.day);
    return buffer;
  }
  std::vector<std::string> Files() {
    std::vector<platform::DirEntry> entries;
    platform::ListDirectory(Scratch().substr(0, Scratch().size() - 1), &entries);
    std::vector<std::string> names;
    for (const auto& e : entries) names.emplace_back(e.name.begin(), e.name.end());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Content(const std::string& name) {
    std::string bytes;
    platform::ReadWholeFile(W(Folder() + name), &bytes);
    return bytes;
  }
  void Start(const std::string& name, const std::string& line) {
    simpleLog log(Folder() + name);
    log.Open();
    log.Write(line);
  }
  void Touch(const std::string& name, int64_t modified) {
    ASSERT_TRUE(platform::WriteWholeFile(W(Folder() + name), name));
    ASSERT_TRUE(platform::SetFileModifiedTime(W(Folder() + name), modified));
  }
};

TEST_F(SimpleLogTest, EachStartArchivesThePreviousRunUnderTheDateThenNumbered) {
  Start("twKIV.log", "run 1");
  Start("twKIV.log", "run 2");
  Start("twKIV.log", "run 3");
  Start("twKIV.log", "run 4");
  const std::string d = Today();
  EXPECT_THAT(Files(), ::testing::ElementsAre("twKIV.log", "twKIV_" + d + ".log", "twKIV_" + d + "_1.log",
                                              "twKIV_" + d + "_2.log"));
  EXPECT_THAT(Content("twKIV_" + d + ".log"), ::testing::HasSubstr("run 1"));
  EXPECT_THAT(Content("twKIV_" + d + "_2.log"), ::testing::HasSubstr("run 3"));
  EXPECT_THAT(Content("twKIV.log"), ::testing::HasSubstr("run 4"));
}

TEST_F(SimpleLogTest, OpenKeepsFiveFilesOfItsOwnNameDeletingTheOldest) {
  Touch("twKIV.log", 1700000700);
  for (int i = 1; i <= 6; ++i) Touch("twKIV_2023-01-0" + std::to_string(i) + ".log", 1700000000 + i * 100);
  Touch("twForkKIV.log", 1600000000);  // another name: neither counted nor deleted
  Touch("twForkKIV_2020-01-01.log", 1600000001);
  simpleLog log(Folder() + "twKIV.log");
  log.Open();
  std::vector<std::string> files = Files();
  EXPECT_THAT(files, ::testing::Not(::testing::Contains("twKIV_2023-01-01.log")));
  EXPECT_THAT(files, ::testing::Not(::testing::Contains("twKIV_2023-01-02.log")));
  const std::vector<std::string> kept = {"twKIV_2023-01-03.log", "twKIV_2023-01-06.log", "twForkKIV.log",
                                         "twForkKIV_2020-01-01.log", "twKIV_" + Today() + ".log"};
  EXPECT_THAT(files, ::testing::IsSupersetOf(kept));
  EXPECT_EQ(files.size(), 7u);  // 4 old archives + the just archived run + 2 fork files
}

TEST_F(SimpleLogTest, FilesOfTheSameSecondCountOnce) {
  for (int i = 1; i <= 7; ++i) Touch("twKIV_2023-02-0" + std::to_string(i) + ".log", 1700000000);
  simpleLog log(Folder() + "twKIV.log");
  log.Open();
  EXPECT_EQ(Files().size(), 7u);
}

TEST_F(SimpleLogTest, LinesCarryTimeThreadAndMessageAndEndInCrLf) {
  simpleLog log(Folder() + "twKIV.log");
  log.Open();
  log.Write("[INFO] RunExe: \n path=[x]");
  std::string text = Content("twKIV.log");
  std::regex line(R"(\[\d{4}-\d{2}-\d{2} \d{1,2}:\d{2}:\d{2}\] \d+ - \[INFO\] RunExe: \r\n path=\[x\]\r\n)");
  EXPECT_TRUE(std::regex_match(text, line)) << text;
}

TEST_F(SimpleLogTest, HoursBeforeTenHaveOneDigit) {
  // A time zone that makes the local hour 7 now.
  int64_t utcHour = (platform::GetUnixTimeNow() / 3600) % 24;
  int64_t bias = (utcHour - 7) * 60;
  USE_PROFILE("{\"locale\": {\"time_zone_bias\": " + std::to_string(bias) + "}}");
  simpleLog log(Folder() + "twKIV.log");
  log.Open();
  log.Write("x");
  EXPECT_TRUE(std::regex_search(Content("twKIV.log"), std::regex(R"(^\[\d{4}-\d{2}-\d{2} 7:\d{2}:\d{2}\] )")))
      << Content("twKIV.log");
}

TEST_F(SimpleLogTest, ConcurrentWritersNeverInterleaveLines) {
  auto* log = new simpleLog(Folder() + "twKIV.log");
  log->Open();
  InstallLogger(log);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 50; ++i) Log(3, "[INFO] thread=[%d], line=[%d], %s.", t, i, std::string(200, 'x').c_str());
    });
  }
  for (auto& thread : threads) thread.join();
  InstallLogger(nullptr);
  delete log;
  std::string text = Content("twKIV.log");
  std::regex line(R"(\[[^\]]+\] \d+ - \[INFO\] thread=\[\d\], line=\[\d+\], x{200}\.\r\n)");
  size_t lines = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it) ++lines;
  EXPECT_EQ(lines, 200u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 200);
}

TEST_F(SimpleLogTest, WithoutALoggerLogDoesNothing) {
  InstallLogger(nullptr);
  Log(1, "[ERROR] nowhere %d", 1);
  EXPECT_THAT(Files(), ::testing::IsEmpty());
}

}  // namespace
