#pragma once
// A stand-in for the public HTTP DNS service: answers
// "GET /resolve?type=1&short=1&uid=..&ak=..&name=..&ts=..&key=.." with a
// JSON array of the addresses given for "name" (["127.0.0.2","127.0.0.3"]),
// or fails in one of the ways a real endpoint fails. Tests run two of them
// as the primary and the fallback endpoint and read the queries back.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/testing/http_test_server.h"

namespace platform::testing {

class HttpDnsTestServer {
 public:
  enum class Mode {
    kAnswer,   // the addresses set for the name; [] for an unknown name
    kFail,     // 503 with an empty body
    kEmpty,    // 200 with an empty body
    kGarbage,  // 200 with the raw text given to SetGarbage
  };

  explicit HttpDnsTestServer(std::string address = "127.0.0.1");
  bool Start(std::string* error = nullptr) { return server_.Start(error); }

  // The endpoint's base URL ("http://127.0.0.1:<port>"); requests go to
  // base + "/resolve?...".
  std::string BaseUrl() const { return server_.Url(""); }
  void SetAnswer(const std::string& name, std::vector<std::string> addresses);
  void SetMode(Mode mode);
  void SetGarbage(std::string body);

  // The query of every request, split into its parameters (not decoded).
  std::vector<std::map<std::string, std::string>> Queries() const;
  HttpTestServer& Server() { return server_; }

 private:
  HttpReply Reply(const HttpRequestRecord& request);

  HttpTestServer server_;
  mutable std::mutex mutex_;
  std::map<std::string, std::vector<std::string>> answers_;
  Mode mode_ = Mode::kAnswer;
  std::string garbage_;
};

std::map<std::string, std::string> SplitQuery(const std::string& query);

}  // namespace platform::testing
