#pragma once
// An in-process HTTP/1.1 server for tests, bound to one loopback address
// (127.0.0.x) and an ephemeral port. It serves bodies by path with byte
// ranges (206, Content-Range, 416) and injects the faults that real servers
// and networks show: ignored ranges, missing lengths, truncated bodies, reset
// connections, stalls, drips, error statuses and redirects. Every request is
// recorded, so a test can assert what the client asked for.
//
// Each connection runs on its own thread and is answered once, then closed.
// Stop (also run by the destructor) wakes every stalled or dripping
// connection and joins all threads, so a test never hangs on the server.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/testing/loopback_socket.h"

namespace platform::testing {

// What goes wrong while answering. Fields combine (a missing length on HEAD
// with a stall on GET); the defaults are a well-behaved server.
struct HttpFault {
  enum class Length { kSend, kOmit, kOmitOnHead };
  bool ignoreRange = false;        // 200 with the whole body even for a Range request
  bool refuseRange = false;        // 416 to every Range request
  Length length = Length::kSend;   // kOmit: close-delimited body on GET, no length on HEAD
  int status = 0;                  // answer this status (404, 503) with a short body
  std::string redirectTo;          // 302 to this location (a path or a full URL)
  int64_t truncateAt = -1;         // declare the full length, send this many body bytes, close
  int64_t resetAfter = -1;         // reset the connection after this many body bytes
  int64_t stallAfter = -1;         // go silent after this many body bytes (socket stays open)
  bool stallBeforeResponse = false;  // go silent before sending anything
  int dripIntervalMs = 0;          // send the body one byte per interval
  std::string onlyMethod;          // "GET" or "HEAD": the fault applies to that method only
  bool operator==(const HttpFault&) const = default;
};

struct HttpRequestRecord {
  std::string method;
  std::string version;                         // "HTTP/1.1"
  std::string target;                          // as sent: path and query
  std::string path;                            // target without the query
  std::string query;                           // after "?", empty if none
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
  bool hasRange = false;                       // a "bytes=" Range header was sent
  int64_t rangeFirst = -1, rangeLast = -1;     // as requested; -1: open end or suffix
  int status = 0;                              // status answered
};

struct HttpReply {
  int status = 200;
  std::string body;
  std::vector<std::string> headers;  // extra header lines without line end
  HttpFault fault;
};

class HttpTestServer {
 public:
  using Handler = std::function<HttpReply(const HttpRequestRecord&)>;

  // `address` is a loopback address; `port` 0 picks an ephemeral one.
  explicit HttpTestServer(std::string address = "127.0.0.1", uint16_t port = 0);
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  // Binds and starts accepting; false (with the reason in *error) on failure.
  bool Start(std::string* error = nullptr);
  void Stop();

  const std::string& Address() const { return address_; }
  uint16_t Port() const { return port_; }
  // "http://<address>:<port>" followed by `path` (which starts with "/").
  std::string Url(const std::string& path) const;

  // Serves `body` at `path` (query ignored), with an optional fault.
  void Serve(const std::string& path, std::string body, HttpFault fault = {});
  void SetFault(const std::string& path, HttpFault fault);
  // Applies to every path that has no fault of its own.
  void SetServerFault(HttpFault fault);
  // Answers `path` through `handler`; a 200 reply still gets range handling.
  void Handle(const std::string& path, Handler handler);

  std::vector<HttpRequestRecord> Requests() const;
  // Requests for `path`; all requests when `path` is empty.
  int RequestCount(const std::string& path = "") const;
  // Ranges answered with 206 for `path`, as served (first, last).
  std::vector<std::pair<int64_t, int64_t>> RangesServed(const std::string& path) const;
  int64_t BodyBytesSent() const { return bodyBytesSent_; }
  void ClearRecords();

 private:
  struct Route {
    std::string body;
    HttpFault fault;
    bool hasFault = false;
    Handler handler;
  };
  struct Connection {
    Socket socket = kNoSocket;
    std::thread thread;
    std::atomic<bool> done{false};
  };

  void AcceptLoop();
  void ServeConnection(Connection* connection);
  HttpReply Answer(HttpRequestRecord* request);
  void SendReply(Socket socket, HttpRequestRecord* request, HttpReply reply);
  void SendBody(Socket socket, const std::string& body, int64_t first, int64_t count, const HttpFault& fault);
  bool SendAll(Socket socket, const char* data, size_t size);
  // Waits until Stop, the peer's close or `ms` (negative: no limit) has passed.
  // True when the connection should be given up.
  bool Pause(Socket socket, int ms);
  void Record(const HttpRequestRecord& request, int64_t rangeFirst, int64_t rangeLast);
  void ReapFinished();

  std::string address_;
  uint16_t port_;
  Socket listener_ = kNoSocket;
  WakeSignal wake_;  // raised by Stop
  std::thread acceptThread_;
  std::atomic<bool> stopping_{false};
  std::atomic<int64_t> bodyBytesSent_{0};

  mutable std::mutex mutex_;  // routes, records, connections
  std::map<std::string, Route> routes_;
  HttpFault serverFault_;
  std::vector<HttpRequestRecord> records_;
  std::map<std::string, std::vector<std::pair<int64_t, int64_t>>> ranges_;
  std::vector<std::unique_ptr<Connection>> connections_;
};

// Deterministic pseudo-random bytes for generated files and bodies.
std::string GeneratedBytes(size_t size, uint32_t seed);

}  // namespace platform::testing
