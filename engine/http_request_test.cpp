#include "engine/http_request.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>

#include "platform/testing/http_test_server.h"
#include "system/text_convert.h"

namespace ns_VYN {
namespace {

using platform::testing::HttpFault;
using platform::testing::HttpReply;
using platform::testing::HttpRequestRecord;
using platform::testing::HttpTestServer;

class HttpRequestTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.Start()); }
  std::wstring Url(const std::string& path) { return Utf8ToWide(server_.Url(path)); }
  std::string Get(const std::string& path, bool captureHeaders, int* code) {
    return CurlRequest(kCurlGet, Url(path), {}, true, captureHeaders, std::string(), code);
  }
  HttpTestServer server_{"127.0.0.1"};
};

TEST_F(HttpRequestTest, BodyLosesCrLfPairsOnlyAndKeepsNulBytes) {
  using namespace std::string_literals;
  struct Case {
    std::string body, expected;
  } cases[] = {
      {"a\r\nb\r\n", "ab"},
      {"a\nb", "a\nb"},
      {"a\rb\n\r", "a\rb\n\r"},
      {"\r\r\n\n", "\r\n"},  // one pass: the pair inside goes, the outer bytes stay
      {"x\0\r\ny\0z"s, "x\0y\0z"s},
      {std::string(100000, '\0') + "\r\n!", std::string(100000, '\0') + "!"},
  };
  for (const auto& c : cases) {
    server_.Serve("/body", c.body);
    int code = -1;
    EXPECT_EQ(Get("/body", false, &code), c.expected) << c.body.size() << " bytes";
    EXPECT_EQ(code, 0);
  }
}

TEST_F(HttpRequestTest, CapturedHeadersKeepTheirLineEndsAndPrecedeTheBody) {
  server_.Serve("/h", "line1\r\nline2");
  int code = -1;
  std::string answer = Get("/h", true, &code);
  EXPECT_EQ(code, 0);
  ASSERT_EQ(answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << answer;
  EXPECT_NE(answer.find("\r\nContent-Length: 12\r\n"), std::string::npos);
  size_t end = answer.find("\r\n\r\n");
  ASSERT_NE(end, std::string::npos);
  EXPECT_EQ(answer.substr(end + 4), "line1line2");
}

TEST_F(HttpRequestTest, MethodsHeadersBodyAndProtocolReachTheServer) {
  server_.Serve("/m", "answer");
  int code = -1;
  EXPECT_EQ(CurlRequest(kCurlPost, Url("/m"), {"X-Client-Sn: {abc}", "Content-Type: application/json"}, true,
                        false, "{\"a\":1}", &code),
            "answer");
  EXPECT_EQ(CurlRequest(kCurlHead, Url("/m"), {}, false, false, std::string(), &code), "");
  EXPECT_EQ(CurlRequest(kCurlGet, Url("/m"), {}, true, false, std::string(), &code), "answer");
  auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, "{\"a\":1}");
  EXPECT_EQ(requests[0].headers["x-client-sn"], "{abc}");
  EXPECT_EQ(requests[0].version, "HTTP/1.0");
  EXPECT_EQ(requests[1].method, "HEAD");
  EXPECT_EQ(requests[1].version, "HTTP/1.1");  // not forced
  EXPECT_EQ(requests[2].method, "GET");
}

TEST_F(HttpRequestTest, FailuresGiveTheCurlCodeAndWhatArrived) {
  HttpFault truncated;
  truncated.truncateAt = 4;
  server_.Serve("/cut", "0123456789", truncated);
  int code = 0;
  EXPECT_EQ(Get("/cut", false, &code), "0123");
  EXPECT_EQ(code, CURLE_PARTIAL_FILE);

  HttpTestServer gone("127.0.0.1");
  ASSERT_TRUE(gone.Start());
  std::wstring deadUrl = Utf8ToWide(gone.Url("/x"));
  gone.Stop();
  EXPECT_EQ(CurlRequest(kCurlGet, deadUrl, {}, true, false, std::string(), &code), "");
  EXPECT_EQ(code, CURLE_COULDNT_CONNECT);

  std::wstring unconvertible = L"http://127.0.0.1/";
  unconvertible += static_cast<wchar_t>(0xD800);  // a lone surrogate has no UTF-8 form
  CurlRequest(kCurlGet, unconvertible, {}, true, false, std::string(), &code);
  EXPECT_NE(code, 0);
}

TEST_F(HttpRequestTest, FormUploadSendsTheFileAsThePartNamedFile) {
  // curl reads the file itself, by a path of the process's own file system.
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("kiv-upload-" + std::to_string(std::random_device()()));
  ASSERT_TRUE(fs::create_directories(folder));
  std::string path = (folder / "log.txt").string();
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  fputs("log line\r\n", f);
  fclose(f);
  server_.Serve("/upload", "{\"code\":0}\r\n");
  int code = -1;
  EXPECT_EQ(CurlFormDataRequest(server_.Url("/upload"), {"Content-Type: multipart/form-data", "Token: t1"}, path,
                                &code),
            "{\"code\":0}");
  EXPECT_EQ(code, 0);
  auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].version, "HTTP/1.0");
  EXPECT_EQ(requests[0].headers["token"], "t1");
  EXPECT_NE(requests[0].headers["content-type"].find("multipart/form-data; boundary="), std::string::npos);
  EXPECT_NE(requests[0].body.find("name=\"file\"; filename=\"log.txt\""), std::string::npos);
  EXPECT_NE(requests[0].body.find("\r\n\r\nlog line\r\n\r\n--"), std::string::npos);

  CurlFormDataRequest(server_.Url("/upload"), {}, (folder / "missing.txt").string(), &code);
  EXPECT_NE(code, 0);
  EXPECT_EQ(server_.RequestCount(), 1);
  fs::remove_all(folder);
}

class RemoteFileSizeTest : public HttpRequestTest {};

TEST_F(RemoteFileSizeTest, HeadFirstThenGetWhenHeadHasNoLength) {
  struct Case {
    const char* name;
    HttpFault::Length length;
    int64_t size;
    std::vector<std::string> methods;
  } cases[] = {
      {"length on HEAD", HttpFault::Length::kSend, 1000, {"HEAD"}},
      {"length on GET only", HttpFault::Length::kOmitOnHead, 1000, {"HEAD", "GET"}},
      {"no length at all", HttpFault::Length::kOmit, 0, {"HEAD", "GET"}},
  };
  for (const auto& c : cases) {
    server_.ClearRecords();
    HttpFault fault;
    fault.length = c.length;
    server_.Serve("/pkg.exe", std::string(1000, 'p'), fault);
    EXPECT_EQ(GetRemoteFileSize(Url("/pkg.exe"), L""), c.size) << c.name;
    std::vector<std::string> methods;
    for (const auto& r : server_.Requests()) methods.push_back(r.method);
    EXPECT_EQ(methods, c.methods) << c.name;
  }
  // The probe asks caches to step aside and names no host unless told to.
  auto request = server_.Requests().back();
  EXPECT_EQ(request.headers["cache-control"], "no-cache");
  EXPECT_EQ(request.headers["pragma"], "no-cache");
  EXPECT_EQ(request.headers["host"], "127.0.0.1:" + std::to_string(server_.Port()));
  GetRemoteFileSize(Url("/pkg.exe"), L"cdn.test:81");
  EXPECT_EQ(server_.Requests().back().headers["host"], "cdn.test:81");
}

TEST_F(RemoteFileSizeTest, RedirectChainGivesTheFinalHopsLength) {
  HttpTestServer mirror("127.0.0.2");
  ASSERT_TRUE(mirror.Start());
  mirror.Serve("/real.exe", std::string(4321, 'r'));
  HttpFault hop;
  hop.redirectTo = "/hop2";
  server_.Serve("/hop1", "", hop);
  hop.redirectTo = mirror.Url("/real.exe");
  server_.Serve("/hop2", "", hop);
  EXPECT_EQ(GetRemoteFileSize(Url("/hop1"), L""), 4321);
  EXPECT_EQ(mirror.RequestCount("/real.exe"), 1);
}

TEST_F(RemoteFileSizeTest, LengthWithSpacesBetweenDigitsAndBadLengths) {
  struct Case {
    const char* header;
    int64_t size;
  } cases[] = {
      {"Content-Length: 1 0 2 4", 1024},
      {"Content-Length: 12x", 0},
      {"Content-Length: 99999999999999999999", 0},
  };
  for (const auto& c : cases) {
    server_.Handle("/odd", [&](const HttpRequestRecord&) {
      HttpReply reply;
      reply.headers.push_back(c.header);
      reply.fault.length = HttpFault::Length::kOmit;  // the server's own length would come last
      return reply;
    });
    EXPECT_EQ(GetRemoteFileSize(Url("/odd"), L""), c.size) << c.header;
  }
}

// The one test that waits for a real limit: the GET's headers arrive, then
// the server goes silent. The 5 s transfer limit ends it, and the header
// block that did arrive still gives the size.
TEST_F(RemoteFileSizeTest, StalledGetEndsAtTheTimeLimitWithItsHeaders) {
  HttpFault fault;
  fault.length = HttpFault::Length::kOmitOnHead;
  fault.stallAfter = 0;
  server_.Serve("/stall.exe", std::string(5000, 's'), fault);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(GetRemoteFileSize(Url("/stall.exe"), L""), 5000);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(seconds, 4.5);
  EXPECT_LT(seconds, 8.0);
}

TEST_F(RemoteFileSizeTest, ProbeDoesNotPullTheBody) {
  HttpFault fault;
  fault.length = HttpFault::Length::kOmitOnHead;
  server_.Serve("/big.exe", std::string(64 << 20, 'b'), fault);
  EXPECT_EQ(GetRemoteFileSize(Url("/big.exe"), L""), 64 << 20);
  EXPECT_LT(server_.BodyBytesSent(), 16 << 20);
}

}  // namespace
}  // namespace ns_VYN
