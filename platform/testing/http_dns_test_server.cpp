#include "platform/testing/http_dns_test_server.h"

#include <sstream>

namespace platform::testing {

std::map<std::string, std::string> SplitQuery(const std::string& query) {
  std::map<std::string, std::string> parameters;
  std::istringstream in(query);
  for (std::string pair; std::getline(in, pair, '&');) {
    size_t eq = pair.find('=');
    parameters[pair.substr(0, eq)] = eq == std::string::npos ? std::string() : pair.substr(eq + 1);
  }
  return parameters;
}

HttpDnsTestServer::HttpDnsTestServer(std::string address) : server_(std::move(address)) {
  server_.Handle("/resolve", [this](const HttpRequestRecord& request) { return Reply(request); });
}

void HttpDnsTestServer::SetAnswer(const std::string& name, std::vector<std::string> addresses) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_[name] = std::move(addresses);
}

void HttpDnsTestServer::SetMode(Mode mode) {
  std::lock_guard<std::mutex> lock(mutex_);
  mode_ = mode;
}

void HttpDnsTestServer::SetGarbage(std::string body) {
  std::lock_guard<std::mutex> lock(mutex_);
  mode_ = Mode::kGarbage;
  garbage_ = std::move(body);
}

std::vector<std::map<std::string, std::string>> HttpDnsTestServer::Queries() const {
  std::vector<std::map<std::string, std::string>> queries;
  for (const auto& request : server_.Requests()) {
    queries.push_back(SplitQuery(request.query));
  }
  return queries;
}

HttpReply HttpDnsTestServer::Reply(const HttpRequestRecord& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  HttpReply reply;
  reply.headers.push_back("Content-Type: application/json");
  switch (mode_) {
    case Mode::kFail:
      reply.status = 503;  // with no body: a failure by the client's own rules
      return reply;
    case Mode::kEmpty:
      return reply;
    case Mode::kGarbage:
      reply.body = garbage_;
      return reply;
    case Mode::kAnswer:
      break;
  }
  auto parameters = SplitQuery(request.query);
  auto found = answers_.find(parameters["name"]);
  std::string list;
  if (found != answers_.end()) {
    for (const auto& address : found->second) list += (list.empty() ? "\"" : ",\"") + address + "\"";
  }
  reply.body = "[" + list + "]";
  return reply;
}

}  // namespace platform::testing
