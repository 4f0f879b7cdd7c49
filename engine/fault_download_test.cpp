// Whole downloads through the engine against the in-process fault-injecting
// server on 127.0.0.2, named by its address (so the tests also run on the
// real Win32 API, where no profile maps host names).
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "engine/download_test_support.h"
#include "engine/md5.h"
#include "engine/package_file_name.h"
#include "platform/testing/http_test_server.h"

namespace ns_VYN::testing {
namespace {

using namespace std::chrono_literals;
using platform::testing::GeneratedBytes;
using platform::testing::HttpFault;
using platform::testing::HttpReply;
using platform::testing::HttpRequestRecord;
using platform::testing::HttpTestServer;

// The fault-injecting server on 127.0.0.2; `extraProfile_` adds members to
// the machine's profile.
class FaultDownloadTest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    UseShortTimes();
    std::string error;
    ASSERT_TRUE(server_.Start(&error)) << error;
    USE_PROFILE("{" + extraProfile_ + "}");
  }
  std::string Url(const std::string& name) { return server_.Url("/" + name); }
  // Serves `data` at /pkg.bin; the first `faulty` GET requests get `fault`.
  void ServeWithFaultyGets(const std::string& data, int faulty, HttpFault fault) {
    auto gets = std::make_shared<std::atomic<int>>(0);
    server_.Handle("/pkg.bin", [=](const HttpRequestRecord& request) {
      HttpReply reply;
      reply.body = data;
      if (request.method == "GET" && request.hasRange && gets->fetch_add(1) < faulty) {
        reply.fault = fault;
      }
      return reply;
    });
  }

  HttpTestServer server_{"127.0.0.2"};
  std::string extraProfile_;
};

TEST_F(FaultDownloadTest, FailuresThatRequestsAgainRepair) {
  const std::string data = GeneratedBytes(3 * 1048576 + 7, 5);
  HttpFault truncated, reset, stalled, unavailable;
  truncated.truncateAt = 1000;
  reset.resetAfter = 3000;
  stalled.stallAfter = 2000;
  unavailable.status = 503;
  const struct {
    const char* name;
    HttpFault fault;
    int faulty;
  } cases[] = {{"truncated", truncated, 10}, {"reset", reset, 10},
               {"stalled", stalled, 3}, {"503", unavailable, 10}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ServeWithFaultyGets(data, c.faulty, c.fault);
    events_.Clear();
    ASSERT_EQ(Download(Url("pkg.bin"), Md5HexUpper(data), 30s), 0);
    EXPECT_TRUE(SavedFile("pkg.bin") == data);
    // Repaired inside the first attempt: the failed ranges were asked again.
    EXPECT_EQ(events_.LinesOf("OnAttemptEnd"), std::vector<std::string>{"OnAttemptEnd 7 0 0"});
    EXPECT_GT(server_.RequestCount("/pkg.bin"), 24 + c.faulty / 2);
    manager_->RemoveTask(kTaskId);
    platform::DeleteFileAt(SavedPath("pkg.bin"));
    server_.ClearRecords();
  }
}

TEST_F(FaultDownloadTest, ServerThatIgnoresRangesGetsOneWholeFileTransfer) {
  const std::string data = GeneratedBytes(2 * 1048576 + 5, 6);
  HttpFault fault;
  fault.ignoreRange = true;
  server_.Serve("/pkg.bin", data, fault);

  ASSERT_EQ(Download(Url("pkg.bin"), Md5HexUpper(data)), 0);
  EXPECT_TRUE(SavedFile("pkg.bin") == data);
  EXPECT_EQ(events_.LinesOf("OnAttemptEnd"),
            (std::vector<std::string>{"OnAttemptEnd 7 0 3", "OnAttemptEnd 7 1 0"}));
  // The second attempt asks once, for everything.
  int openEnded = 0;
  for (const HttpRequestRecord& request : server_.Requests()) {
    if (request.method == "GET" && request.rangeFirst == 0 && request.rangeLast == -1) ++openEnded;
  }
  EXPECT_EQ(openEnded, 1);
}

TEST_F(FaultDownloadTest, FinalStatusOfDownloadsThatCanNotSucceed) {
  // Three bytes make three ranges: each of the ten attempts ends quickly.
  const std::string data = GeneratedBytes(3, 7);
  HttpFault noLength, notFound, getRefused;
  noLength.length = HttpFault::Length::kOmit;
  notFound.status = 404;
  getRefused.status = 404;  // HEAD tells the size, every GET is refused
  getRefused.onlyMethod = "GET";
  const struct {
    const char* name;
    HttpFault fault;
    std::string md5;
    int status;
    std::vector<std::string> infoFailed;
  } cases[] = {
      {"no-length", noLength, "", 5, {"OnGetInfoFailed 7 2"}},
      {"not-found", notFound, "", 5, {"OnGetInfoFailed 7 2"}},
      {"get-refused", getRefused, "", 3, {}},
      {"wrong-md5", HttpFault{}, Md5HexUpper("other"), 11, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.Serve("/" + std::string(c.name) + ".bin", data, c.fault);
    events_.Clear();
    std::string url = Url(std::string(c.name) + ".bin");
    ASSERT_EQ(Download(url, c.md5, 40s), c.status);
    EXPECT_EQ(events_.LinesOf("OnGetInfoFailed"), c.infoFailed);
    // Every attempt that began ended with the status; none is left over.
    size_t attempts = events_.LinesOf("OnRetry").size();
    EXPECT_TRUE(attempts == 0 || attempts == 10) << attempts;
    for (const std::string& line : events_.LinesOf("OnAttemptEnd")) {
      EXPECT_EQ(LastNumberOf(line), c.status) << line;
    }
    std::string name = PackageFileName(url);
    EXPECT_FALSE(platform::FileExists(SavedPath(name)));
    EXPECT_FALSE(platform::FileExists(SavedPath(name + ".~P2S")));
  }
}

class FullDriveDownloadTest : public FaultDownloadTest {
 protected:
  void SetUp() override {
    extraProfile_ = "\"drives\": {\"C\": {\"type\": \"fixed\", \"quota_mb\": 2}}";
    FaultDownloadTest::SetUp();
  }
};

TEST_F(FullDriveDownloadTest, NoRoomForTheTemporaryFileEndsAtOnce) {
  server_.Serve("/pkg.bin", GeneratedBytes(3 * 1048576, 8));
  ASSERT_EQ(Download(Url("pkg.bin")), 10);
  EXPECT_EQ(events_.LinesOf("OnFileOpFailed"), std::vector<std::string>{"OnFileOpFailed 7 3 112"});
  EXPECT_TRUE(events_.LinesOf("OnRetry").empty());
  EXPECT_FALSE(platform::FileExists(SavedPath("pkg.bin.~P2S")));
}

// HEAD tells no length and GET answers nothing: the host's probes take
// their full time limits, and the download's own probe would wait for ever.
class SilentServerTest : public FaultDownloadTest {
 protected:
  void SetUp() override {
    FaultDownloadTest::SetUp();
    server_.Handle("/pkg.bin", [](const HttpRequestRecord& request) {
      HttpReply reply;
      reply.body = "x";
      reply.fault.length = HttpFault::Length::kOmit;
      reply.fault.stallBeforeResponse = request.method == "GET";
      return reply;
    });
  }
  bool WaitForRequests(int count, std::chrono::seconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (server_.RequestCount("/pkg.bin") < count) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(20ms);
    }
    return true;
  }
};

TEST_F(SilentServerTest, CancelWhileResolvingEndsAtTheNextStep) {
  Add(Url("pkg.bin"));
  ASSERT_TRUE(WaitForRequests(1, 10s));  // the host's probe is under way
  manager_->RemoveTask(kTaskId);
  ASSERT_EQ(events_.WaitForFinal(15s), 13);
  // The download's own size probe never started.
  EXPECT_EQ(server_.RequestCount("/pkg.bin"), 2);
  EXPECT_TRUE(events_.LinesOf("OnFileSize").empty());
}

TEST_F(SilentServerTest, ShutdownWhileProbingReturnsPromptly) {
  Add(Url("pkg.bin"));
  // Two requests of the host's probe, six HEAD and the first GET of the
  // download's own probe, which hangs.
  ASSERT_TRUE(WaitForRequests(9, 20s));
  std::this_thread::sleep_for(300ms);
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(manager_->Shutdown());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
  EXPECT_EQ(events_.WaitForFinal(0s), 13);
  EXPECT_EQ(manager_->GetTaskCount(), 0);
}

TEST_F(FaultDownloadTest, StoppedTaskFallsSilentAndKeepsItsFile) {
  HttpFault drip;
  drip.dripIntervalMs = 20;
  server_.Serve("/pkg.bin", GeneratedBytes(48 * 1024, 10), drip);
  Add(Url("pkg.bin"));
  ASSERT_TRUE(events_.WaitFor("OnProgress", 10s));
  manager_->StopTask(kTaskId);
  std::this_thread::sleep_for(400ms);  // the command is applied on the engine's thread
  size_t seen = events_.Lines().size();
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(events_.Lines().size(), seen);
  EXPECT_EQ(events_.WaitForFinal(0s), -1);
  EXPECT_EQ(manager_->GetTaskCount(), 1);  // stopped, not removed
  EXPECT_TRUE(platform::FileExists(SavedPath("pkg.bin.~P2S")));
}

TEST_F(FaultDownloadTest, CancelBetweenAttemptsDoesNotWaitForTheNext) {
  OverrideAttemptPauseForTesting(std::chrono::seconds(5));
  server_.Serve("/pkg.bin", GeneratedBytes(1048576, 9));
  Add(Url("pkg.bin"), Md5HexUpper("other"));
  ASSERT_TRUE(events_.WaitFor("OnAttemptEnd 7 0 11", 20s));
  auto start = std::chrono::steady_clock::now();
  manager_->RemoveTask(kTaskId);
  ASSERT_EQ(events_.WaitForFinal(5s), 13);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
  EXPECT_EQ(events_.LinesOf("OnRetry"), std::vector<std::string>{"OnRetry 7 0"});
}

}  // namespace
}  // namespace ns_VYN::testing
