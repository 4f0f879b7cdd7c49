#pragma once
// Test support for whole downloads through the engine's facade (included by
// the engine's tests only): an event log that a test can wait on, and a
// machine whose profile may map test host names to loopback addresses (the
// simulated machine only: on Windows such a profile skips the test).
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

class DownloadTest : public platform::testing::MachineTest {
 protected:
  static constexpr int kTaskId = 7;

  void SetUp() override {
    MachineTest::SetUp();
    manager_ = std::make_unique<DownloaderManager>();
    manager_->SetCallBack(events_.Callback());
  }
  void TearDown() override {
    manager_.reset();
    OverrideRangeTimingForTesting(RangeTiming{});
    OverrideAttemptPauseForTesting(std::chrono::seconds(5));
    MachineTest::TearDown();
  }
  // A profile in which `host` names `addresses`, for USE_PROFILE.
  static std::string HostsProfile(const std::string& host, const std::vector<std::string>& addresses) {
    std::string list;
    for (const std::string& address : addresses) {
      list += (list.empty() ? "\"" : ",\"") + address + "\"";
    }
    return "{\"hosts\": {\"" + host + "\": [" + list + "]}}";
  }
  // Shortens the stall rule, the low-speed limit and the pause between
  // attempts, for tests that go through many failures.
  static void UseShortTimes() {
    OverrideRangeTimingForTesting(RangeTiming{1, 3, 2});
    OverrideAttemptPauseForTesting(std::chrono::milliseconds(50));
  }
  // Queues a download of `url` into the test's scratch folder.
  void Add(const std::string& url, const std::string& md5 = "") {
    const std::wstring folder = Scratch().substr(0, Scratch().size() - 1);  // without the last "\\"
    manager_->AddTask(Utf8ToWide(url).c_str(), folder.c_str(), L"", kTaskId, L"1.0.0.1",
                      Utf8ToWide(md5).c_str(), 0);
  }
  // Adds and waits for the final status (-1 when it did not come in time).
  int Download(const std::string& url, const std::string& md5 = "",
               std::chrono::seconds limit = std::chrono::seconds(60)) {
    Add(url, md5);
    return events_.WaitForFinal(limit);
  }
  std::wstring SavedPath(const std::string& name) { return Scratch() + Utf8ToWide(name); }
  // The bytes of the saved file `name`; empty when missing.
  std::string SavedFile(const std::string& name) {
    std::string bytes;
    platform::ReadWholeFile(SavedPath(name), &bytes);
    return bytes;
  }

  std::unique_ptr<DownloaderManager> manager_;
  EventLog events_;
};

}  // namespace ns_VYN::testing
