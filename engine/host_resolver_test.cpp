#include "engine/host_resolver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "engine/engine_deployment.h"
#include "engine/http_dns.h"
#include "engine/sha256.h"
#include "platform/sim_control.h"
#include "platform/system_info.h"
#include "platform/testing/http_dns_test_server.h"
#include "platform/testing/http_test_server.h"
#include "platform/testing/nginx_fixture.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/text_convert.h"

namespace ns_VYN {
namespace {

using platform::testing::GeneratedBytes;
using platform::testing::HttpDnsTestServer;
using platform::testing::HttpFault;
using platform::testing::HttpTestServer;
using Servers = std::vector<std::unique_ptr<HttpTestServer>>;
using Texts = std::vector<std::string>;

std::string HostsProfile(const std::string& name, const Texts& addresses) {
  std::string list;
  for (const auto& a : addresses) list += (list.empty() ? "\"" : ",\"") + a + "\"";
  return "{\"hosts\": {\"" + name + "\": [" + list + "]}}";
}

// One server per address, all on one port, as the addresses of one host are.
Servers ServersOnOnePort(const Texts& addresses) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    Servers servers;
    bool started = true;
    for (const auto& address : addresses) {
      servers.push_back(std::make_unique<HttpTestServer>(address, servers.empty() ? 0 : servers[0]->Port()));
      started = started && servers.back()->Start();
    }
    if (started) return servers;
  }
  ADD_FAILURE() << "no common port for the test servers";
  return Servers();
}

// A port on which nothing listens: every probe there is refused at once.
uint16_t DeadPort() {
  HttpTestServer server("127.0.0.2");
  return server.Start() ? server.Port() : 1;
}

std::wstring PackageUrl(const std::string& host, uint16_t port) {
  return Utf8ToWide("http://" + host + ":" + std::to_string(port) + "/pkg.exe");
}

Texts IpsOf(CHostResolver& resolver, const std::string& host) {
  Texts ips = {"stale"};
  resolver.GetHostIps(host, &ips);
  return ips;
}

class HostResolverTest : public platform::testing::SimMachineTest {};

// nginx serves the package on four addresses; one of them has a different
// file under the same name. That address is dropped, every probe reaches the
// address it names, and a resolved host is not probed again.
TEST_F(HostResolverTest, MajorityVoteDropsTheAddressWithAnotherSize) {
  platform::testing::NginxServer nginx;
  nginx.AddFile("pkg.exe", GeneratedBytes(300000, 7));
  nginx.AddFileOn("127.0.0.5", "pkg.exe", GeneratedBytes(200000, 8));
  std::string error;
  ASSERT_TRUE(nginx.Start(&error)) << error;
  const Texts all = {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"};
  UseProfile(HostsProfile("cdn.test", all));
  const std::string host = "cdn.test:" + std::to_string(nginx.Port());
  const std::wstring url = PackageUrl("cdn.test", nginx.Port());
  auto probesEach = [&](int expected) {
    for (int wait = 0; wait < 100 && nginx.RequestCount("127.0.0.5") < expected; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));  // nginx logs after answering
    }
    for (const auto& address : all) {
      auto log = nginx.AccessLog(address);
      ASSERT_EQ(static_cast<int>(log.size()), expected) << address;
      EXPECT_EQ(log.back().substr(0, 13), "HEAD /pkg.exe") << address;
    }
  };

  CHostResolver resolver;
  EXPECT_FALSE(resolver.IsHostResolved(url));
  ASSERT_TRUE(resolver.InitHost(url));
  EXPECT_TRUE(resolver.IsHostResolved(url));
  EXPECT_EQ(IpsOf(resolver, host), (Texts{"127.0.0.2", "127.0.0.3", "127.0.0.4"}));
  EXPECT_EQ(resolver.GetHostSize(url), 300000);
  EXPECT_EQ(resolver.GetHostSize(url + L"?other"), 0);
  std::string infoHost, infoAddresses;
  ASSERT_TRUE(resolver.GetHostInfo(url, &infoHost, &infoAddresses));
  EXPECT_EQ(infoHost, host);
  EXPECT_EQ(infoAddresses, "127.0.0.2,127.0.0.3,127.0.0.4");
  probesEach(1);

  ASSERT_TRUE(resolver.InitHost(url));
  probesEach(1);

  // A flush forgets the addresses but not the agreed size, and the next
  // InitHost resolves and probes again.
  resolver.ClearHosts();
  EXPECT_FALSE(resolver.IsHostResolved(url));
  EXPECT_TRUE(IpsOf(resolver, host).empty());
  EXPECT_EQ(resolver.GetHostSize(url), 300000);
  bool flushed = false;
  for (const auto& line : platform::sim::ReadJournal()) flushed = flushed || line.find("dns_flush") != std::string::npos;
  EXPECT_TRUE(flushed);
  ASSERT_TRUE(resolver.InitHost(url));
  probesEach(2);
}

TEST_F(HostResolverTest, VoteAndOrderOfAddresses) {
  constexpr int kNoLength = -1;
  struct Case {
    const char* name;
    Texts addresses;
    std::vector<int> sizes;  // per address; kNoLength: the server never says
    Texts kept;
    int64_t size;
  } cases[] = {
      {"two against one", {"127.0.0.2", "127.0.0.3", "127.0.0.4"}, {100, 100, 90}, {"127.0.0.2", "127.0.0.3"}, 100},
      {"a tie keeps the smaller size", {"127.0.0.2", "127.0.0.3"}, {100, 90}, {"127.0.0.3"}, 90},
      {"a silent address goes", {"127.0.0.2", "127.0.0.3", "127.0.0.4"}, {100, kNoLength, 100},
       {"127.0.0.2", "127.0.0.4"}, 100},
      {"nobody says: all stay", {"127.0.0.2", "127.0.0.3"}, {kNoLength, kNoLength}, {"127.0.0.2", "127.0.0.3"}, 0},
      // Sets are ordered by the last octet first.
      {"no server at all", {"127.0.0.3", "127.0.1.2", "127.0.0.2"}, {}, {"127.0.0.2", "127.0.1.2", "127.0.0.3"}, 0},
  };
  for (const auto& c : cases) {
    Servers servers = c.sizes.empty() ? Servers() : ServersOnOnePort(c.addresses);
    for (size_t i = 0; i < servers.size(); ++i) {
      HttpFault fault;
      if (c.sizes[i] == kNoLength) fault.length = HttpFault::Length::kOmit;
      servers[i]->Serve("/pkg.exe", std::string(c.sizes[i] < 0 ? 10 : c.sizes[i], 'x'), fault);
    }
    uint16_t port = servers.empty() ? DeadPort() : servers[0]->Port();
    UseProfile(HostsProfile("vote.test", c.addresses));
    CHostResolver resolver;
    std::wstring url = PackageUrl("vote.test", port);
    EXPECT_TRUE(resolver.InitHost(url)) << c.name;
    EXPECT_EQ(IpsOf(resolver, "vote.test:" + std::to_string(port)), c.kept) << c.name;
    EXPECT_EQ(resolver.GetHostSize(url), c.size) << c.name;
  }
}

TEST_F(HostResolverTest, TenAgreeingAddressesEndTheProbing) {
  Texts addresses;
  for (int i = 2; i <= 12; ++i) addresses.push_back("127.0.0." + std::to_string(i));
  Servers servers = ServersOnOnePort(addresses);
  ASSERT_EQ(servers.size(), addresses.size());
  for (auto& s : servers) s->Serve("/pkg.exe", "same size");
  UseProfile(HostsProfile("many.test", addresses));
  CHostResolver resolver;
  ASSERT_TRUE(resolver.InitHost(PackageUrl("many.test", servers[0]->Port())));
  EXPECT_EQ(servers.back()->RequestCount(), 0);
  Texts kept = IpsOf(resolver, "many.test:" + std::to_string(servers[0]->Port()));
  EXPECT_EQ(kept, Texts(addresses.begin(), addresses.end() - 1));
}

TEST_F(HostResolverTest, ConcurrentDownloadsOfOneHostProbeItOnce) {
  Servers servers = ServersOnOnePort({"127.0.0.2", "127.0.0.3"});
  ASSERT_EQ(servers.size(), 2u);
  for (auto& s : servers) s->Serve("/pkg.exe", "payload");
  UseProfile(HostsProfile("busy.test", {"127.0.0.2", "127.0.0.3"}));
  CHostResolver resolver;
  std::wstring url = PackageUrl("busy.test", servers[0]->Port());
  bool results[4] = {};
  std::vector<std::thread> threads;
  for (bool& result : results) threads.emplace_back([&] { result = resolver.InitHost(url); });
  for (auto& t : threads) t.join();
  for (bool result : results) EXPECT_TRUE(result);
  for (auto& s : servers) EXPECT_EQ(s->RequestCount(), 1) << s->Address();
}

TEST_F(HostResolverTest, UrlsThatDoNotSplitFail) {
  CHostResolver resolver;
  for (const wchar_t* url : {L"", L"cdn.test/pkg.exe", L"http:///pkg.exe"}) {
    EXPECT_FALSE(resolver.InitHost(url)) << WideToUtf8(url);
    EXPECT_FALSE(resolver.IsHostResolved(url)) << WideToUtf8(url);
  }
  std::string host, addresses;
  EXPECT_FALSE(resolver.GetHostInfo(L"cdn.test/pkg.exe", &host, &addresses));
}

class HttpDnsResolutionTest : public HostResolverTest {
 protected:
  void SetUp() override {
    HostResolverTest::SetUp();
    ASSERT_TRUE(primary_.Start());
    ASSERT_TRUE(fallback_.Start());
    SetHttpDnsEndpoints(Utf8ToWide(primary_.BaseUrl()), Utf8ToWide(fallback_.BaseUrl()));
    // The system resolver does not know the name (and asks nobody).
    UseProfile(HostsProfile("dns.test", {}));
    package_ = ServersOnOnePort({"127.0.0.2", "127.0.0.3"});
    ASSERT_EQ(package_.size(), 2u);
    for (auto& s : package_) s->Serve("/pkg.exe", "payload");
  }
  void TearDown() override {
    SetHttpDnsEndpoints(deployment::kHttpDnsPrimary, deployment::kHttpDnsFallback);
    HostResolverTest::TearDown();
  }
  std::wstring Url() { return PackageUrl("dns.test", package_[0]->Port()); }
  std::string Host() { return "dns.test:" + std::to_string(package_[0]->Port()); }

  HttpDnsTestServer primary_{"127.0.0.1"};
  HttpDnsTestServer fallback_{"127.0.0.1"};
  Servers package_;
};

TEST_F(HttpDnsResolutionTest, PrimaryFallbackAndGarbage) {
  using Mode = HttpDnsTestServer::Mode;
  struct Case {
    const char* name;
    Mode primaryMode;
    std::string primaryGarbage;
    Mode fallbackMode;
    bool resolved;
    Texts kept;
    int fallbackRequests;
  } cases[] = {
      {"primary answers", Mode::kAnswer, "", Mode::kAnswer, true, {"127.0.0.2"}, 0},
      {"primary fails", Mode::kFail, "", Mode::kAnswer, true, {"127.0.0.3"}, 1},
      {"primary answers nothing", Mode::kEmpty, "", Mode::kAnswer, true, {"127.0.0.3"}, 1},
      {"both fail", Mode::kFail, "", Mode::kFail, false, {}, 1},
      // A non-empty answer is final, whatever it holds; what is not a dotted
      // address is skipped.
      {"garbage", Mode::kGarbage, "<html>busy</html>", Mode::kAnswer, false, {}, 0},
      {"garbage around an address", Mode::kGarbage, "[ \"127.0.0.2\" , \"bogus\",\"1.2.3\",\"\", \"127.0.0.256\"]",
       Mode::kAnswer, true, {"127.0.0.2"}, 0},
  };
  for (const auto& c : cases) {
    primary_.SetAnswer("dns.test", {"127.0.0.2"});
    fallback_.SetAnswer("dns.test", {"127.0.0.3"});
    primary_.SetMode(c.primaryMode);
    if (c.primaryMode == Mode::kGarbage) primary_.SetGarbage(c.primaryGarbage);
    fallback_.SetMode(c.fallbackMode);
    primary_.Server().ClearRecords();
    fallback_.Server().ClearRecords();
    CHostResolver resolver;
    EXPECT_EQ(resolver.InitHost(Url()), c.resolved) << c.name;
    EXPECT_EQ(IpsOf(resolver, Host()), c.kept) << c.name;
    EXPECT_EQ(primary_.Queries().size(), 1u) << c.name;
    EXPECT_EQ(static_cast<int>(fallback_.Queries().size()), c.fallbackRequests) << c.name;
  }
}

TEST_F(HttpDnsResolutionTest, QueryIsSignedAndRepeatedUnchangedAtTheFallback) {
  primary_.SetMode(HttpDnsTestServer::Mode::kFail);
  fallback_.SetAnswer("dns.test", {"127.0.0.3"});
  int64_t before = platform::GetUnixTimeNow();
  CHostResolver resolver;
  ASSERT_TRUE(resolver.InitHost(Url()));
  ASSERT_EQ(primary_.Queries().size(), 1u);
  ASSERT_EQ(fallback_.Queries().size(), 1u);
  auto query = primary_.Queries()[0];
  EXPECT_EQ(query, fallback_.Queries()[0]);
  EXPECT_EQ(query["type"], "1");
  EXPECT_EQ(query["short"], "1");
  EXPECT_EQ(query["name"], "dns.test");  // the name without the port
  std::string uid = RestoreAccountValue(deployment::kHttpDnsAccountId);
  std::string ak = RestoreAccountValue(deployment::kHttpDnsAccessKeyId);
  std::string secret = RestoreAccountValue(deployment::kHttpDnsSecret);
  EXPECT_EQ(query["uid"], uid);
  EXPECT_EQ(query["ak"], ak);
  int64_t ts = std::stoll(query["ts"]);
  EXPECT_GE(ts, before);
  EXPECT_LE(ts, platform::GetUnixTimeNow());
  EXPECT_EQ(query["key"], Sha256HexLower(uid + secret + query["ts"] + "dns.test" + ak));
  EXPECT_EQ(primary_.Server().Requests()[0].target.rfind("/resolve?type=1&short=1&uid=", 0), 0u);
}

TEST_F(HttpDnsResolutionTest, SystemResolverAnswerLeavesHttpDnsAlone) {
  UseProfile(HostsProfile("dns.test", {"127.0.0.3"}));
  CHostResolver resolver;
  ASSERT_TRUE(resolver.InitHost(Url()));
  EXPECT_EQ(IpsOf(resolver, Host()), Texts{"127.0.0.3"});
  EXPECT_TRUE(primary_.Queries().empty());
  EXPECT_TRUE(fallback_.Queries().empty());
}

}  // namespace
}  // namespace ns_VYN
