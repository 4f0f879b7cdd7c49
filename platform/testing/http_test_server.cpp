#include "platform/testing/http_test_server.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <iterator>

namespace platform::testing {
namespace {

constexpr size_t kMaxHeaderBytes = 64 * 1024;
constexpr int kRequestIdleMs = 10000;
constexpr size_t kSendChunk = 64 * 1024;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  size_t b = text.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  size_t e = text.find_last_not_of(" \t");
  return text.substr(b, e - b + 1);
}

const char* Reason(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 206: return "Partial Content";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

bool ParseDecimal(const std::string& text, int64_t* value) {
  if (text.empty() || text.size() > 18) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return true;
}

// "bytes=a-b", "bytes=a-" or "bytes=-n" (one range only).
void ParseRange(const std::string& value, HttpRequestRecord* request) {
  if (value.rfind("bytes=", 0) != 0) return;
  request->hasRange = true;
  std::string spec = value.substr(6);
  size_t dash = spec.find('-');
  if (dash == std::string::npos || spec.find(',') != std::string::npos) return;
  int64_t v = 0;
  if (ParseDecimal(spec.substr(0, dash), &v)) request->rangeFirst = v;
  if (ParseDecimal(spec.substr(dash + 1), &v)) request->rangeLast = v;
}

bool ParseHead(const std::string& head, HttpRequestRecord* request) {
  size_t lineEnd = head.find("\r\n");
  std::string line = head.substr(0, lineEnd);
  size_t s1 = line.find(' ');
  size_t s2 = line.find(' ', s1 == std::string::npos ? s1 : s1 + 1);
  if (s1 == std::string::npos || s2 == std::string::npos) return false;
  request->method = line.substr(0, s1);
  request->target = line.substr(s1 + 1, s2 - s1 - 1);
  request->version = line.substr(s2 + 1);
  size_t q = request->target.find('?');
  request->path = request->target.substr(0, q);
  if (q != std::string::npos) request->query = request->target.substr(q + 1);
  for (size_t pos = lineEnd; pos != std::string::npos && pos + 2 < head.size();) {
    size_t next = head.find("\r\n", pos + 2);
    std::string header = head.substr(pos + 2, next == std::string::npos ? std::string::npos : next - pos - 2);
    size_t colon = header.find(':');
    if (colon != std::string::npos) {
      request->headers[Lower(Trim(header.substr(0, colon)))] = Trim(header.substr(colon + 1));
    }
    pos = next;
  }
  auto range = request->headers.find("range");
  if (range != request->headers.end()) ParseRange(range->second, request);
  return true;
}

}  // namespace

std::string GeneratedBytes(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t x = seed ? seed : 0x9E3779B9u;
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes[i] = static_cast<char>(x >> 24);
  }
  return bytes;
}

HttpTestServer::HttpTestServer(std::string address, uint16_t port)
    : address_(std::move(address)), port_(port) {}

HttpTestServer::~HttpTestServer() { Stop(); }

std::string HttpTestServer::Url(const std::string& path) const {
  return "http://" + address_ + ":" + std::to_string(port_) + path;
}

bool HttpTestServer::Start(std::string* error) {
  listener_ = ListenOn(address_, &port_, error);
  if (listener_ == kNoSocket) return false;
  if (!wake_.Open(error)) {
    CloseSocket(listener_);
    listener_ = kNoSocket;
    return false;
  }
  acceptThread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void HttpTestServer::Stop() {
  if (!acceptThread_.joinable()) return;
  stopping_ = true;
  wake_.Raise();  // stays raised: wakes every waiter at once
  acceptThread_.join();
  std::vector<std::unique_ptr<Connection>> connections;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& c : connections_) {
      if (c->socket != kNoSocket) ShutdownBoth(c->socket);
    }
    connections.swap(connections_);
  }
  for (auto& c : connections) c->thread.join();
  CloseSocket(listener_);
  listener_ = kNoSocket;
  wake_.Close();
}

void HttpTestServer::AcceptLoop() {
  while (!stopping_) {
    std::vector<bool> ready = WaitReadable({listener_, wake_.Handle()}, 1000);
    if (ready.empty()) {
      ReapFinished();
      continue;
    }
    if (ready[1]) break;
    Socket socket = AcceptFrom(listener_);
    if (socket == kNoSocket) continue;
    auto connection = std::make_unique<Connection>();
    connection->socket = socket;
    Connection* raw = connection.get();
    std::lock_guard<std::mutex> lock(mutex_);
    connection->thread = std::thread([this, raw] { ServeConnection(raw); });
    connections_.push_back(std::move(connection));
  }
}

void HttpTestServer::ReapFinished() {
  std::vector<std::unique_ptr<Connection>> finished;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto split = std::stable_partition(connections_.begin(), connections_.end(),
                                       [](const auto& c) { return !c->done; });
    std::move(split, connections_.end(), std::back_inserter(finished));
    connections_.erase(split, connections_.end());
  }
  for (auto& c : finished) c->thread.join();
}

bool HttpTestServer::Pause(Socket socket, int ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    int wait = 1000;
    if (ms >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      wait = static_cast<int>(std::min<int64_t>(left.count(), 1000));
    }
    std::vector<bool> ready = WaitReadable({socket, wake_.Handle()}, wait);
    if (ready.empty()) continue;
    if (ready[1] || stopping_) return true;
    // Readable: data to drop, or the end or failure of the connection
    // (then the read does not block and gives 0 or less).
    char sink[4096];
    if (ReceiveSome(socket, sink, sizeof sink) <= 0) return true;  // the peer has gone
  }
}

bool HttpTestServer::SendAll(Socket socket, const char* data, size_t size) {
  while (size > 0) {
    long n = SendSome(socket, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void HttpTestServer::ServeConnection(Connection* connection) {
  Socket socket = connection->socket;
  std::string data;
  size_t headEnd = std::string::npos;
  char buffer[8192];
  while ((headEnd = data.find("\r\n\r\n")) == std::string::npos && data.size() < kMaxHeaderBytes) {
    std::vector<bool> ready = WaitReadable({socket, wake_.Handle()}, kRequestIdleMs);
    if (ready.empty() || ready[1]) break;
    long n = ReceiveSome(socket, buffer, sizeof buffer);
    if (n <= 0) break;
    data.append(buffer, static_cast<size_t>(n));
  }
  HttpRequestRecord request;
  if (headEnd != std::string::npos && ParseHead(data.substr(0, headEnd), &request)) {
    request.body = data.substr(headEnd + 4);
    auto expect = request.headers.find("expect");
    if (expect != request.headers.end() && Lower(expect->second) == "100-continue") {
      SendAll(socket, "HTTP/1.1 100 Continue\r\n\r\n", 25);
    }
    int64_t length = 0;
    auto cl = request.headers.find("content-length");
    if (cl != request.headers.end() && ParseDecimal(cl->second, &length)) {
      while (static_cast<int64_t>(request.body.size()) < length) {
        long n = ReceiveSome(socket, buffer, sizeof buffer);
        if (n <= 0) break;
        request.body.append(buffer, static_cast<size_t>(n));
      }
    }
    SendReply(socket, &request, Answer(&request));
  }
  std::lock_guard<std::mutex> lock(mutex_);
  CloseSocket(connection->socket);
  connection->socket = kNoSocket;
  connection->done = true;
}

HttpReply HttpTestServer::Answer(HttpRequestRecord* request) {
  Handler handler;
  HttpReply reply;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto route = routes_.find(request->path);
    if (route == routes_.end()) {
      reply.status = 404;
      reply.body = "not found";
      reply.fault = serverFault_;
      return reply;
    }
    handler = route->second.handler;
    reply.body = route->second.body;
    reply.fault = route->second.hasFault ? route->second.fault : serverFault_;
  }
  if (handler) {
    HttpFault fallback = reply.fault;
    reply = handler(*request);
    if (reply.fault == HttpFault{}) reply.fault = fallback;
  }
  return reply;
}

void HttpTestServer::SendReply(Socket socket, HttpRequestRecord* request, HttpReply reply) {
  const bool head = request->method == "HEAD";
  HttpFault fault = reply.fault;
  if (!fault.onlyMethod.empty() && fault.onlyMethod != request->method) fault = HttpFault{};
  if (fault.stallBeforeResponse) {
    Record(*request, -1, -1);
    Pause(socket, -1);
    return;
  }
  if (fault.status) {
    reply.status = fault.status;
    reply.body = Reason(fault.status);
  } else if (!fault.redirectTo.empty()) {
    reply.status = 302;
    reply.body.clear();
    reply.headers.push_back("Location: " + fault.redirectTo);
  }
  const int64_t size = static_cast<int64_t>(reply.body.size());
  int64_t first = 0, count = size;
  if (reply.status == 200 && request->hasRange && !fault.ignoreRange) {
    int64_t last = request->rangeLast < 0 || request->rangeLast >= size ? size - 1 : request->rangeLast;
    first = request->rangeFirst;
    if (first < 0 && request->rangeLast >= 0) {  // suffix: the last n bytes
      first = std::max<int64_t>(0, size - request->rangeLast);
      last = size - 1;
    }
    if (fault.refuseRange || first < 0 || first >= size || last < first) {
      reply.status = 416;
      reply.headers.push_back("Content-Range: bytes */" + std::to_string(size));
      first = count = 0;
    } else {
      reply.status = 206;
      reply.headers.push_back("Content-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
                              std::to_string(size));
      count = last - first + 1;
    }
  }
  request->status = reply.status;
  Record(*request, reply.status == 206 ? first : -1, reply.status == 206 ? first + count - 1 : -1);

  std::string text = "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\n";
  bool typed = false;
  for (const auto& h : reply.headers) {
    text += h + "\r\n";
    typed = typed || Lower(h).rfind("content-type:", 0) == 0;
  }
  if (!typed) text += "Content-Type: application/octet-stream\r\n";
  bool omitLength = fault.length == HttpFault::Length::kOmit || (fault.length == HttpFault::Length::kOmitOnHead && head);
  if (!omitLength) text += "Content-Length: " + std::to_string(count) + "\r\n";
  text += "Accept-Ranges: bytes\r\nConnection: close\r\n\r\n";
  if (!SendAll(socket, text.data(), text.size()) || head) return;
  SendBody(socket, reply.body, first, count, fault);
}

void HttpTestServer::SendBody(Socket socket, const std::string& body, int64_t first, int64_t count, const HttpFault& fault) {
  int64_t limit = count;
  for (int64_t cut : {fault.truncateAt, fault.resetAfter, fault.stallAfter}) {
    if (cut >= 0) limit = std::min(limit, cut);
  }
  const size_t step = fault.dripIntervalMs > 0 ? 1 : kSendChunk;
  for (int64_t sent = 0; sent < limit;) {
    size_t n = static_cast<size_t>(std::min<int64_t>(limit - sent, static_cast<int64_t>(step)));
    if (!SendAll(socket, body.data() + first + sent, n)) return;
    sent += static_cast<int64_t>(n);
    bodyBytesSent_ += static_cast<int64_t>(n);
    if (fault.dripIntervalMs > 0 && sent < limit && Pause(socket, fault.dripIntervalMs)) return;
  }
  if (fault.resetAfter >= 0 && fault.resetAfter < count) {
    ResetOnClose(socket);
  } else if (fault.stallAfter >= 0 && fault.stallAfter < count) {
    Pause(socket, -1);
  } else {
    ShutdownSending(socket);  // the end of a close-delimited or truncated body
  }
}

void HttpTestServer::Record(const HttpRequestRecord& request, int64_t rangeFirst, int64_t rangeLast) {
  std::lock_guard<std::mutex> lock(mutex_);
  records_.push_back(request);
  if (rangeFirst >= 0) ranges_[request.path].emplace_back(rangeFirst, rangeLast);
}

void HttpTestServer::Serve(const std::string& path, std::string body, HttpFault fault) {
  std::lock_guard<std::mutex> lock(mutex_);
  Route& route = routes_[path];
  route.body = std::move(body);
  route.fault = std::move(fault);
  route.hasFault = !(route.fault == HttpFault{});
  route.handler = nullptr;
}

void HttpTestServer::SetFault(const std::string& path, HttpFault fault) {
  std::lock_guard<std::mutex> lock(mutex_);
  Route& route = routes_[path];
  route.fault = std::move(fault);
  route.hasFault = true;
}

void HttpTestServer::SetServerFault(HttpFault fault) {
  std::lock_guard<std::mutex> lock(mutex_);
  serverFault_ = std::move(fault);
}

void HttpTestServer::Handle(const std::string& path, Handler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  routes_[path].handler = std::move(handler);
}

std::vector<HttpRequestRecord> HttpTestServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return records_;
}

int HttpTestServer::RequestCount(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(std::count_if(records_.begin(), records_.end(),
                                        [&](const auto& r) { return path.empty() || r.path == path; }));
}

std::vector<std::pair<int64_t, int64_t>> HttpTestServer::RangesServed(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = ranges_.find(path);
  return it == ranges_.end() ? std::vector<std::pair<int64_t, int64_t>>() : it->second;
}

void HttpTestServer::ClearRecords() {
  std::lock_guard<std::mutex> lock(mutex_);
  records_.clear();
  ranges_.clear();
  bodyBytesSent_ = 0;
}

}  // namespace platform::testing
