// Test sockets on POSIX (the simulated machine runs on the host's own
// network stack).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/testing/loopback_socket.h"

namespace platform::testing {
namespace {

bool AddressOf(const std::string& address, uint16_t port, sockaddr_in* sa) {
  *sa = sockaddr_in{};
  sa->sin_family = AF_INET;
  sa->sin_port = htons(port);
  return inet_pton(AF_INET, address.c_str(), &sa->sin_addr) == 1;
}

int Fd(Socket socket) { return static_cast<int>(socket); }

}  // namespace

Socket ListenOn(const std::string& address, uint16_t* port, std::string* error) {
  auto fail = [&](const char* what, int fd) {
    if (error) *error = std::string(what) + ": " + strerror(errno);
    if (fd >= 0) close(fd);
    return kNoSocket;
  };
  sockaddr_in sa;
  if (!AddressOf(address, *port, &sa)) {
    errno = EINVAL;
    return fail("address", -1);
  }
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return fail("socket", fd);
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return fail("bind", fd);
  if (listen(fd, 128) != 0) return fail("listen", fd);
  socklen_t len = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  *port = ntohs(sa.sin_port);
  return fd;
}

Socket AcceptFrom(Socket listener) {
  int fd = accept4(Fd(listener), nullptr, nullptr, SOCK_CLOEXEC);
  return fd < 0 ? kNoSocket : fd;
}

bool Accepts(const std::string& address, uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in sa;
  bool ok = fd >= 0 && AddressOf(address, port, &sa) &&
            connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  if (fd >= 0) close(fd);
  return ok;
}

uint16_t FreePort(const std::string& address) {
  uint16_t port = 0;
  Socket fd = ListenOn(address, &port, nullptr);
  if (fd == kNoSocket) return 0;
  close(Fd(fd));
  return port;
}

long SendSome(Socket socket, const char* data, size_t size) {
  return static_cast<long>(send(Fd(socket), data, size, MSG_NOSIGNAL));
}

long ReceiveSome(Socket socket, char* buffer, size_t size) {
  return static_cast<long>(recv(Fd(socket), buffer, size, 0));
}

void ShutdownSending(Socket socket) { shutdown(Fd(socket), SHUT_WR); }
void ShutdownBoth(Socket socket) { shutdown(Fd(socket), SHUT_RDWR); }

void ResetOnClose(Socket socket) {
  linger hard{1, 0};
  setsockopt(Fd(socket), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
}

void CloseSocket(Socket socket) {
  if (socket != kNoSocket) close(Fd(socket));
}

std::vector<bool> WaitReadable(const std::vector<Socket>& sockets, int ms) {
  std::vector<pollfd> fds;
  for (Socket s : sockets) fds.push_back({Fd(s), POLLIN, 0});
  if (poll(fds.data(), fds.size(), ms) <= 0) return {};
  std::vector<bool> ready;
  for (const pollfd& p : fds) ready.push_back(p.revents != 0);
  return ready;
}

bool WakeSignal::Open(std::string* error) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    if (error) *error = std::string("pipe: ") + strerror(errno);
    return false;
  }
  read_ = fds[0];
  write_ = fds[1];
  return true;
}

void WakeSignal::Raise() {
  char b = 1;
  (void)!write(Fd(write_), &b, 1);  // never read: stays readable
}

void WakeSignal::Close() {
  CloseSocket(read_);
  CloseSocket(write_);
  read_ = write_ = kNoSocket;
}

}  // namespace platform::testing
