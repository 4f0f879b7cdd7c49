// The engine facade's own behaviour: how event records reach the callback,
// and what the calls do before any download runs.
#include "engine/downloader_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/event_lines.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/windowing.h"

namespace ns_VYN {
namespace {

struct Recorder {
  std::vector<std::string> lines;
  EventLines callback{[this](const std::string& line) { lines.push_back(line); }};
};

EventRecord* Record(int type, intptr_t data = 0, int value1 = 0, int value2 = 0) {
  return new EventRecord{-1, 7, type, data, value1, value2};
}

TEST(DownloaderManagerTest, DispatchesEachRecordToItsSlot) {
  DownloaderManager manager;
  Recorder recorder;
  manager.SetCallBack(&recorder.callback);
  const wchar_t* name = L"setup.exe";
  int status = 13, attempt = 4, reason = 2;
  const char* address = "127.0.0.3";
  const char* digest = "0123456789ABCDEF0123456789ABCDEF";
  const char* dns = "cdn.test:127.0.0.2,127.0.0.3";
  auto* progress = new ProgressBlock{-1, 5000, 1200, 300};
  struct {
    EventRecord* record;
    const char* line;  // nullptr: no callback at all
  } cases[] = {
      {Record(kEventFileName, reinterpret_cast<intptr_t>(name)), "OnFileName 7 setup.exe"},
      {Record(kEventFileName), nullptr},
      {Record(kEventFileSize, static_cast<int32_t>(-2)), "OnFileSize 7 -2"},
      {Record(kEventFinished, reinterpret_cast<intptr_t>(&status)), "OnFailed 7 13"},
      {Record(kEventProgress, reinterpret_cast<intptr_t>(progress)), "OnProgress 7 1200 5000 300"},
      {Record(kEventRangeLength, 4096), "OnRangeEvent 7 -1 0 4096"},
      {Record(kEventRangeKind2, 5), "OnRangeEvent 7 -1 2 5"},
      {Record(kEventStart), "OnStart 7"},
      {Record(kEventRangeHost), "OnRangeHost 7"},
      {Record(kEventRangeHost, reinterpret_cast<intptr_t>(address)), "OnRangeHost 7 127.0.0.3"},
      {Record(kEventAttemptStart, reinterpret_cast<intptr_t>(&attempt)), "OnRetry 7 4"},
      {Record(kEventAttemptEnd, 0, 4, 11), "OnAttemptEnd 7 4 11"},
      {Record(kEventFileMd5, reinterpret_cast<intptr_t>(digest)),
       "OnFileMd5 7 0123456789ABCDEF0123456789ABCDEF"},
      {Record(kEventMd5Match), "OnMd5Match 7"},
      {Record(kEventFileOpFailed, 0, 3, 112), "OnFileOpFailed 7 3 112"},
      {Record(kEventGetInfoFailed, reinterpret_cast<intptr_t>(&reason)), "OnGetInfoFailed 7 2"},
      {Record(kEventDnsCacheCleared, reinterpret_cast<intptr_t>(&status)),
       "OnDnsCacheCleared 7 13"},
      {Record(kEventDnsQueried, reinterpret_cast<intptr_t>(dns)),
       "OnDnsQueried 7 cdn.test 127.0.0.2,127.0.0.3"},
      {Record(kEventDnsQueried, reinterpret_cast<intptr_t>("no colon")), nullptr},
      {Record(kEventPrepare), "OnPrepare 7"},
      {Record(kEventPlan, 0, 24, 5242880), "OnPlan 7 24 5242880"},
      {Record(19), nullptr},
  };
  for (const auto& c : cases) {
    recorder.lines.clear();
    int type = c.record->type;
    manager.Notify(c.record, 0);
    if (c.line == nullptr) {
      EXPECT_TRUE(recorder.lines.empty()) << "type " << type;
    } else {
      EXPECT_EQ(recorder.lines, std::vector<std::string>{c.line}) << "type " << type;
    }
  }
  status = 0;
  recorder.lines.clear();
  manager.Notify(Record(kEventFinished, reinterpret_cast<intptr_t>(&status)), 0);
  manager.Notify(nullptr, 0);
  EXPECT_EQ(recorder.lines, std::vector<std::string>{"OnSuccess 7"});
}

TEST(DownloaderManagerTest, CallsBeforeAnyDownload) {
  DownloaderManager manager;
  EXPECT_EQ(manager.AddTask(nullptr, L"C:\\d", L"", 5, L"", L"", 0), -1);
  TaskInfo info;
  EXPECT_FALSE(manager.GetTaskInfo(5, &info));
  EXPECT_FALSE(manager.GetTaskInfo(5, nullptr));
  EXPECT_FALSE(manager.RemoveTaskIfExists(5));
  EXPECT_FALSE(manager.RemoveAllTasks());
  EXPECT_EQ(manager.GetTaskCount(), 0);
  EXPECT_TRUE(manager.GetDescription().empty());
  EXPECT_TRUE(manager.Shutdown());
  EXPECT_TRUE(manager.Shutdown());  // a second shutdown finds nothing to stop
}

class WindowModeTest : public platform::testing::MachineTest {};

TEST_F(WindowModeTest, PostedRecordsCarryTheirOwnCopies) {
  platform::WindowHandle window = platform::CreateTopLevelWindow(L"KivEngineTest", L"events");
  ASSERT_NE(window, 0u);
  const uint32_t kMessage = 0x8000 + 7;
  DownloaderManager manager;
  manager.SetNotifyWindow(window, kMessage);
  {
    // The sender's memory is gone before the window handles the messages.
    std::wstring name = L"setup.exe";
    std::string dns = "cdn.test:127.0.0.2";
    int status = 11;
    manager.Notify(Record(kEventFileName, reinterpret_cast<intptr_t>(name.c_str())), 0);
    manager.Notify(Record(kEventDnsQueried, reinterpret_cast<intptr_t>(dns.c_str())), 0);
    manager.Notify(Record(kEventProgress, reinterpret_cast<intptr_t>(new ProgressBlock{-1, 9, 4, 2})), 0);
    manager.Notify(Record(kEventFinished, reinterpret_cast<intptr_t>(&status)), 0);
    name.assign(name.size(), L'#');
    dns.assign(dns.size(), '#');
    status = 0;
  }
  Recorder recorder;
  platform::WindowMessage message;
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(platform::ReceiveWindowMessage(&message, 2000));
    EXPECT_EQ(message.message, kMessage);
    DispatchPostedEvent(message.lParam, &recorder.callback);
  }
  EXPECT_EQ(recorder.lines, (std::vector<std::string>{"OnFileName 7 setup.exe",
                                                      "OnDnsQueried 7 cdn.test 127.0.0.2",
                                                      "OnProgress 7 4 9 2", "OnFailed 7 11"}));
}

}  // namespace
}  // namespace ns_VYN
