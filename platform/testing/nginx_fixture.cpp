#include "platform/testing/nginx_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/testing/http_test_server.h"
#include "platform/testing/loopback_socket.h"
#include "platform/testing/sim_machine_fixture.h"

extern char** environ;

namespace platform::testing {
namespace {

constexpr int kStartTries = 5;
constexpr auto kStartLimit = std::chrono::seconds(5);
constexpr auto kStopLimit = std::chrono::seconds(3);

bool WriteWhole(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string NginxProgram() {
  for (const char* candidate : {"/usr/sbin/nginx", "/usr/bin/nginx"}) {
    if (access(candidate, X_OK) == 0) return candidate;
  }
  return "nginx";
}

}  // namespace

NginxServer::NginxServer() : NginxServer(Options()) {}

NginxServer::NginxServer(Options options) : options_(std::move(options)) {
  folder_ = MakeTempHostFolder("kiv-nginx-");
  mkdir((folder_ + "/files").c_str(), 0755);
  mkdir((folder_ + "/tmp").c_str(), 0755);
  for (const auto& address : options_.addresses) mkdir(RootOf(address).c_str(), 0755);
}

NginxServer::~NginxServer() {
  Stop();
  RemoveHostTree(folder_);
}

std::string NginxServer::RootOf(const std::string& address) const { return folder_ + "/www-" + address; }

void NginxServer::AddFile(const std::string& name, const std::string& bytes) {
  std::string path = folder_ + "/files/" + name;
  WriteWhole(path, bytes);
  commonFiles_[name] = path;
}

void NginxServer::AddFileOn(const std::string& address, const std::string& name, const std::string& bytes) {
  std::string path = RootOf(address) + "/" + name;
  WriteWhole(path, bytes);
  ownFiles_[address][name] = path;
}

void NginxServer::AddGeneratedFile(const std::string& name, int64_t size, uint32_t seed) {
  std::string path = folder_ + "/files/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  constexpr int64_t kChunk = 16 << 20;
  for (int64_t done = 0; done < size; done += kChunk) {
    // Each chunk has its own seed, so a chunk never has to be held twice.
    std::string bytes = GeneratedBytes(static_cast<size_t>(std::min(kChunk, size - done)),
                                       seed + static_cast<uint32_t>(done / kChunk));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  commonFiles_[name] = path;
}

std::string NginxServer::Url(const std::string& address, const std::string& name) const {
  bool tls = !options_.tlsCertFile.empty() && !options_.tlsKeyFile.empty();
  return std::string(tls ? "https://" : "http://") + address + ":" + std::to_string(port_) + "/" + name;
}

bool NginxServer::WriteConfig(std::string* error) {
  const bool tls = !options_.tlsCertFile.empty() && !options_.tlsKeyFile.empty();
  std::ostringstream c;
  c << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
    << "pid " << folder_ << "/nginx.pid;\nerror_log " << folder_ << "/error.log warn;\n"
    << "events { worker_connections 1024; }\nhttp {\n"
    << "  default_type application/octet-stream;\n  sendfile on;\n  keepalive_timeout 30;\n"
    << "  log_format kiv '$request_method $uri $http_range $status $body_bytes_sent';\n";
  for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"}) {
    c << "  " << kind << "_temp_path " << folder_ << "/tmp/" << kind << ";\n";
  }
  for (const auto& address : options_.addresses) {
    c << "  server {\n    listen " << address << ":" << port_ << (tls ? " ssl" : "") << ";\n"
      << "    root " << RootOf(address) << ";\n"
      << "    access_log " << folder_ << "/access-" << address << ".log kiv;\n";
    if (tls) c << "    ssl_certificate " << options_.tlsCertFile << ";\n    ssl_certificate_key " << options_.tlsKeyFile << ";\n";
    if (!options_.limitRate.empty()) c << "    limit_rate " << options_.limitRate << ";\n";
    c << "  }\n";
  }
  c << "}\n";
  if (WriteWhole(folder_ + "/nginx.conf", c.str())) return true;
  if (error) *error = "cannot write " + folder_ + "/nginx.conf";
  return false;
}

bool NginxServer::Launch(std::string* error) {
  std::string program = NginxProgram();
  std::string conf = folder_ + "/nginx.conf", errorLog = folder_ + "/error.log", out = folder_ + "/stderr.log";
  std::vector<std::string> args = {program, "-p", folder_ + "/", "-c", conf, "-e", errorLog};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  int rc = posix_spawnp(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    pid_ = -1;
    if (error) *error = "cannot start nginx (is nginx-light installed?)";
    return false;
  }
  return true;
}

bool NginxServer::WaitUntilListening() {
  auto until = std::chrono::steady_clock::now() + kStartLimit;
  while (std::chrono::steady_clock::now() < until) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    bool all = true;
    for (const auto& address : options_.addresses) all = all && Accepts(address, port_);
    if (all) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  Stop();
  return false;
}

bool NginxServer::Start(std::string* error) {
  for (const auto& address : options_.addresses) {
    for (const auto& [name, path] : commonFiles_) {
      if (!ownFiles_[address].count(name)) link(path.c_str(), (RootOf(address) + "/" + name).c_str());
    }
  }
  for (int attempt = 0; attempt < kStartTries; ++attempt) {
    port_ = FreePort(options_.addresses.front());
    if (!WriteConfig(error) || !Launch(error)) return false;
    if (WaitUntilListening()) return true;
  }
  if (error) *error = "nginx did not come up: " + ReadWhole(folder_ + "/stderr.log") + ReadWhole(folder_ + "/error.log");
  return false;
}

void NginxServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  auto until = std::chrono::steady_clock::now() + kStopLimit;
  int status = 0;
  while (waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= until) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
}

std::vector<std::string> NginxServer::AccessLog(const std::string& address) const {
  std::vector<std::string> lines;
  std::istringstream in(ReadWhole(folder_ + "/access-" + address + ".log"));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

}  // namespace platform::testing
