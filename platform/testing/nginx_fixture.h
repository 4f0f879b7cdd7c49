#pragma once
// Real nginx for tests and benchmarks: started as a child process from a
// generated configuration in a temporary folder, listening on one ephemeral
// port on several loopback addresses, serving generated files. One address
// may serve a different file under the same name (a mirror that is out of
// step). Each address keeps its own access log, so a test can count what
// reached which address. Stopped by its PID; the folder is removed.
#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace platform::testing {

class NginxServer {
 public:
  struct Options {
    std::vector<std::string> addresses = {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"};
    std::string limitRate;    // nginx "limit_rate" per connection ("4m"); empty: none
    std::string tlsCertFile;  // with both set, every address speaks TLS
    std::string tlsKeyFile;
  };

  NginxServer();
  explicit NginxServer(Options options);
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  // Files are added before Start. AddFile serves `bytes` on every address;
  // AddFileOn serves them on `address` only, in place of the common file.
  void AddFile(const std::string& name, const std::string& bytes);
  void AddFileOn(const std::string& address, const std::string& name, const std::string& bytes);
  // Writes GeneratedBytes(size, seed) in chunks (for files too large to hold).
  void AddGeneratedFile(const std::string& name, int64_t size, uint32_t seed);

  // False (with nginx's complaint in *error) when it does not come up.
  bool Start(std::string* error = nullptr);
  void Stop();

  uint16_t Port() const { return port_; }
  pid_t Pid() const { return pid_; }
  const std::string& Folder() const { return folder_; }
  // "http://<address>:<port>/<name>" (https with TLS).
  std::string Url(const std::string& address, const std::string& name) const;
  // Access log lines of one address: "<method> <uri> <range> <status> <body bytes>",
  // "-" for a missing Range header.
  std::vector<std::string> AccessLog(const std::string& address) const;
  int RequestCount(const std::string& address) const { return static_cast<int>(AccessLog(address).size()); }

 private:
  bool WriteConfig(std::string* error);
  bool Launch(std::string* error);
  bool WaitUntilListening();
  std::string RootOf(const std::string& address) const;

  Options options_;
  std::string folder_;
  std::map<std::string, std::string> commonFiles_;  // name -> host path
  std::map<std::string, std::map<std::string, std::string>> ownFiles_;  // address -> name -> path
  uint16_t port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace platform::testing
