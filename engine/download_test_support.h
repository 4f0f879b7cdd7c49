#pragma once
// Test support for whole downloads through the engine's facade (included by
// the engine's tests only): an event log that a test can wait on, and a
// simulated machine whose profile maps test host names to loopback
// addresses.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/downloader_manager.h"
#include "engine/event_lines.h"
#include "engine/multi_downloader.h"
#include "engine/range_transfer.h"
#include "platform/files.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/text_convert.h"

namespace ns_VYN::testing {

// The last integer of an event line ("OnFailed 7 13" gives 13).
inline int64_t LastNumberOf(const std::string& line) {
  return std::stoll(line.substr(line.rfind(' ') + 1));
}

// Every event of the engine as a line (see EventLines), in arrival order.
class EventLog {
 public:
  IDownloaderManagerCallBack* Callback() { return &lines_; }

  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
  }
  // Lines of one slot ("OnRetry" gives "OnRetry 7 0", ...).
  std::vector<std::string> LinesOf(const std::string& slot) {
    std::vector<std::string> found;
    for (const std::string& line : Lines()) {
      if (line.rfind(slot + " ", 0) == 0) found.push_back(line);
    }
    return found;
  }
  // Waits until a line starts with `prefix`; false when `limit` passed first.
  bool WaitFor(const std::string& prefix, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, limit, [&] {
      for (const std::string& line : text_) {
        if (line.rfind(prefix, 0) == 0) return true;
      }
      return false;
    });
  }
  // The final status (OnSuccess 0, OnFailed n); -1 when `limit` passed first.
  int WaitForFinal(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    int status = -1;
    changed_.wait_for(lock, limit, [&] {
      for (const std::string& line : text_) {
        if (line.rfind("OnSuccess ", 0) == 0) status = 0;
        if (line.rfind("OnFailed ", 0) == 0) status = static_cast<int>(LastNumberOf(line));
      }
      return status >= 0;
    });
    return status;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    text_.clear();
  }

 private:
  void Add(const std::string& line) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      text_.push_back(line);
    }
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> text_;
  EventLines lines_{[this](const std::string& line) { Add(line); }};
};

class DownloadTest : public platform::testing::SimMachineTest {
 protected:
  static constexpr int kTaskId = 7;

  void SetUp() override {
    SimMachineTest::SetUp();
    manager_ = std::make_unique<DownloaderManager>();
    manager_->SetCallBack(events_.Callback());
  }
  void TearDown() override {
    manager_.reset();
    OverrideRangeTimingForTesting(RangeTiming{});
    OverrideAttemptPauseForTesting(std::chrono::seconds(5));
    SimMachineTest::TearDown();
  }
  // A machine on which `host` names `addresses`; `extra` adds profile
  // members (members of a JSON object without its braces, or empty).
  void UseHosts(const std::string& host, const std::vector<std::string>& addresses,
                const std::string& extra = "") {
    std::string list;
    for (const std::string& address : addresses) {
      list += (list.empty() ? "\"" : ",\"") + address + "\"";
    }
    UseProfile("{\"hosts\": {\"" + host + "\": [" + list + "]}" +
               (extra.empty() ? "" : ", " + extra) + "}");
  }
  // Shortens the stall rule, the low-speed limit and the pause between
  // attempts, for tests that go through many failures.
  static void UseShortTimes() {
    OverrideRangeTimingForTesting(RangeTiming{1, 3, 2});
    OverrideAttemptPauseForTesting(std::chrono::milliseconds(50));
  }
  // Queues a download of `url` into the folder C:\dl.
  void Add(const std::string& url, const std::string& md5 = "") {
    manager_->AddTask(Utf8ToWide(url).c_str(), L"C:\\dl", L"", kTaskId, L"1.0.0.1",
                      Utf8ToWide(md5).c_str(), 0);
  }
  // Adds and waits for the final status (-1 when it did not come in time).
  int Download(const std::string& url, const std::string& md5 = "",
               std::chrono::seconds limit = std::chrono::seconds(60)) {
    Add(url, md5);
    return events_.WaitForFinal(limit);
  }
  static std::wstring SavedPath(const std::string& name) { return L"C:\\dl\\" + Utf8ToWide(name); }
  // The bytes of C:\dl\name; empty when missing.
  static std::string SavedFile(const std::string& name) {
    std::string bytes;
    platform::ReadWholeFile(SavedPath(name), &bytes);
    return bytes;
  }

  std::unique_ptr<DownloaderManager> manager_;
  EventLog events_;
};

}  // namespace ns_VYN::testing
