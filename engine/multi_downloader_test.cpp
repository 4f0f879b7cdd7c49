// Whole downloads through the engine against nginx on four loopback
// addresses of one host name (the simulated machine maps the name; see
// fault_download_test.cpp for the fault-injecting server).
#include "engine/multi_downloader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "engine/download_test_support.h"
#include "engine/md5.h"
#include "engine/resume_record.h"
#include "platform/testing/http_test_server.h"
#include "platform/testing/nginx_fixture.h"

namespace ns_VYN::testing {
namespace {

using namespace std::chrono_literals;
using platform::testing::GeneratedBytes;
using platform::testing::NginxServer;

const std::vector<std::string> kMirrors = {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"};

std::string CdnUrl(const NginxServer& nginx, const std::string& name) {
  return "http://cdn.test:" + std::to_string(nginx.Port()) + "/" + name;
}

// (first, last) of every ranged GET in an nginx access log.
std::vector<std::pair<int64_t, int64_t>> RangedGets(const std::vector<std::string>& log) {
  std::vector<std::pair<int64_t, int64_t>> ranges;
  for (const std::string& line : log) {
    std::istringstream fields(line);
    std::string method, uri, range;
    fields >> method >> uri >> range;
    long long first = 0, last = 0;
    if (method == "GET" && sscanf(range.c_str(), "bytes=%lld-%lld", &first, &last) == 2) {
      ranges.emplace_back(first, last);
    }
  }
  return ranges;
}

class EngineDownloadTest : public DownloadTest {};

TEST_F(EngineDownloadTest, FetchesFromEveryAddressAndReportsInOrder) {
  const std::string data = GeneratedBytes(9 * 1048576 + 123, 1);
  NginxServer nginx;
  nginx.AddFile("setup.exe", data);
  std::string error;
  ASSERT_TRUE(nginx.Start(&error)) << error;
  USE_PROFILE(HostsProfile("cdn.test", kMirrors));

  ASSERT_EQ(Download(CdnUrl(nginx, "setup.exe"), Md5HexUpper(data)), 0);
  EXPECT_TRUE(SavedFile("setup.exe") == data);
  EXPECT_FALSE(platform::FileExists(SavedPath("setup.exe.~P2S")));
  EXPECT_EQ(platform::GetFileAttributesOf(SavedPath("setup.exe")) & platform::kAttrHidden, 0u);
  for (const std::string& address : kMirrors) {
    EXPECT_FALSE(RangedGets(nginx.AccessLog(address)).empty()) << address << " served no range";
  }

  // The slots of one plain download, in order; ranges and progress between.
  std::vector<std::string> slots;
  int rangesBeforeAttempt = 0;
  for (const std::string& line : events_.Lines()) {
    std::string slot = line.substr(0, line.find(' '));
    if (slot == "OnRangeHost" && slots.back() == "OnPlan") ++rangesBeforeAttempt;
    if (slot == "OnRangeHost" || slot == "OnRangeEvent" || slot == "OnProgress") continue;
    slots.push_back(slot);
  }
  EXPECT_EQ(slots, (std::vector<std::string>{"OnPrepare", "OnStart", "OnDnsQueried", "OnFileName",
                                             "OnFileSize", "OnPlan", "OnRetry", "OnFileMd5",
                                             "OnMd5Match", "OnAttemptEnd", "OnSuccess"}));
  EXPECT_EQ(rangesBeforeAttempt, 24);
  EXPECT_EQ(events_.LinesOf("OnDnsQueried"),
            std::vector<std::string>{"OnDnsQueried 7 cdn.test 127.0.0.2,127.0.0.3,127.0.0.4,127.0.0.5"});
  EXPECT_EQ(events_.LinesOf("OnFileSize"),
            std::vector<std::string>{"OnFileSize 7 " + std::to_string(data.size())});
  EXPECT_EQ(events_.LinesOf("OnAttemptEnd"), std::vector<std::string>{"OnAttemptEnd 7 0 0"});
  int64_t previous = 0;
  for (const std::string& line : events_.LinesOf("OnProgress")) {
    int64_t downloaded = 0, total = 0;
    ASSERT_EQ(sscanf(line.c_str(), "OnProgress 7 %ld %ld", &downloaded, &total), 2) << line;
    EXPECT_GE(downloaded, previous);
    EXPECT_EQ(total, static_cast<int64_t>(data.size()));
    previous = downloaded;
  }
  EXPECT_EQ(previous, static_cast<int64_t>(data.size()));

  TaskInfo info;
  ASSERT_TRUE(manager_->GetTaskInfo(kTaskId, &info));
  EXPECT_EQ(info.total, static_cast<int64_t>(data.size()));
  EXPECT_EQ(info.downloaded, static_cast<int64_t>(data.size()));
  EXPECT_EQ(info.fileName, L"setup.exe");
  EXPECT_EQ(info.saveFolder, Scratch());
}

TEST_F(EngineDownloadTest, MajorityVoteLeavesOutTheMirrorWithAnotherFile) {
  const std::string data = GeneratedBytes(6 * 1048576, 2);
  NginxServer nginx;
  nginx.AddFile("setup.exe", data);
  nginx.AddFileOn("127.0.0.4", "setup.exe", GeneratedBytes(5 * 1048576, 3));
  std::string error;
  ASSERT_TRUE(nginx.Start(&error)) << error;
  USE_PROFILE(HostsProfile("cdn.test", kMirrors));

  ASSERT_EQ(Download(CdnUrl(nginx, "setup.exe"), Md5HexUpper(data)), 0);
  EXPECT_TRUE(SavedFile("setup.exe") == data);
  EXPECT_TRUE(RangedGets(nginx.AccessLog("127.0.0.4")).empty());
  EXPECT_GT(nginx.RequestCount("127.0.0.4"), 0) << "the odd mirror was never probed";
  EXPECT_EQ(events_.LinesOf("OnDnsQueried"),
            std::vector<std::string>{"OnDnsQueried 7 cdn.test 127.0.0.2,127.0.0.3,127.0.0.5"});
  for (const std::string& line : events_.LinesOf("OnRangeHost")) {
    EXPECT_NE(line, "OnRangeHost 7 127.0.0.4");
  }
}

TEST_F(EngineDownloadTest, RestartAfterStopFetchesOnlyWhatIsMissing) {
  const std::string data = GeneratedBytes(24 * 1048576, 4);
  NginxServer::Options options;
  options.limitRate = "256k";  // per connection: the first run is stopped midway
  NginxServer nginx(options);
  nginx.AddFile("big.bin", data);
  std::string error;
  ASSERT_TRUE(nginx.Start(&error)) << error;
  USE_PROFILE(HostsProfile("cdn.test", kMirrors));
  const std::string url = CdnUrl(nginx, "big.bin");

  Add(url, Md5HexUpper(data));
  ASSERT_TRUE(events_.WaitFor("OnRetry 7 0", 20s));
  std::this_thread::sleep_for(1200ms);
  manager_->RemoveTask(kTaskId);
  ASSERT_EQ(events_.WaitForFinal(20s), 13) << ::testing::PrintToString(events_.LinesOf("OnProgress"));
  EXPECT_EQ(events_.LinesOf("OnAttemptEnd"), std::vector<std::string>{"OnAttemptEnd 7 0 13"});

  // The hidden temporary file keeps the bytes and, past them, what is missing.
  const std::wstring temp = SavedPath("big.bin.~P2S");
  EXPECT_NE(platform::GetFileAttributesOf(temp) & platform::kAttrHidden, 0u);
  std::string partial;
  ASSERT_TRUE(platform::ReadWholeFile(temp, &partial));
  ASSERT_GT(partial.size(), data.size());
  std::map<int64_t, int64_t> missing;
  ASSERT_TRUE(ParseResumeRecord(reinterpret_cast<const uint8_t*>(partial.data()) + data.size(),
                                partial.size() - data.size(), data.size(), &missing));
  int64_t missingBytes = 0, from = 0;
  for (const auto& [first, last] : missing) {
    EXPECT_EQ(partial.compare(from, first - from, data, from, first - from), 0)
        << "bytes " << from << ".." << first << " are not in the file";
    missingBytes += last - first + 1;
    from = last + 1;
  }
  EXPECT_GT(data.size() - missingBytes, 4u * 1048576) << "too little was saved to tell";

  std::map<std::string, size_t> seen;
  for (const std::string& address : kMirrors) seen[address] = nginx.AccessLog(address).size();
  events_.Clear();
  ASSERT_EQ(Download(url, Md5HexUpper(data)), 0);
  EXPECT_TRUE(SavedFile("big.bin") == data);
  // The rest is fetched in parallel, however few pieces the record holds.
  size_t resumedRanges = 0;
  for (const std::string& line : events_.Lines()) {
    if (line.rfind("OnRetry", 0) == 0) break;
    if (line.rfind("OnRangeHost", 0) == 0) ++resumedRanges;
  }
  EXPECT_GE(resumedRanges, 12u);
  int64_t refetched = 0;
  for (const std::string& address : kMirrors) {
    std::vector<std::string> log = nginx.AccessLog(address);
    log.erase(log.begin(), log.begin() + seen[address]);
    for (const auto& [first, last] : RangedGets(log)) {
      auto inside = missing.upper_bound(first);
      ASSERT_NE(inside, missing.begin()) << first << "-" << last << " was in the file already";
      --inside;
      EXPECT_LE(last, inside->second) << first << "-" << last << " was in the file already";
      refetched += last - first + 1;
    }
  }
  EXPECT_GE(refetched, missingBytes);
}

}  // namespace
}  // namespace ns_VYN::testing
