// Test sockets on Winsock: the servers run inside the Windows test process,
// on loopback addresses that the host and Wine share.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <mutex>

#include "platform/testing/loopback_socket.h"

namespace platform::testing {
namespace {

// Winsock is started once per process and left running: servers and the
// engine's own requests come and go until the process ends.
void StartWinsock() {
  static std::once_flag once;
  std::call_once(once, [] {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  });
}

SOCKET Native(Socket socket) { return static_cast<SOCKET>(socket); }

bool AddressOf(const std::string& address, uint16_t port, sockaddr_in* sa) {
  *sa = sockaddr_in{};
  sa->sin_family = AF_INET;
  sa->sin_port = htons(port);
  return inet_pton(AF_INET, address.c_str(), &sa->sin_addr) == 1;
}

// A TCP socket that child processes do not inherit.
SOCKET NewSocket() {
  StartWinsock();
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s != INVALID_SOCKET) SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  return s;
}

Socket Wrap(SOCKET s) { return s == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(s); }

int SizeOf(size_t size) { return static_cast<int>(std::min<size_t>(size, 1 << 30)); }

}  // namespace

Socket ListenOn(const std::string& address, uint16_t* port, std::string* error) {
  auto fail = [&](const char* what, SOCKET s) {
    if (error) *error = std::string(what) + ": Winsock error " + std::to_string(WSAGetLastError());
    if (s != INVALID_SOCKET) closesocket(s);
    return kNoSocket;
  };
  sockaddr_in sa;
  SOCKET s = NewSocket();
  if (s == INVALID_SOCKET) return fail("socket", s);
  if (!AddressOf(address, *port, &sa)) {
    WSASetLastError(WSAEINVAL);
    return fail("address", s);
  }
  if (bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) return fail("bind", s);
  if (listen(s, 128) != 0) return fail("listen", s);
  int len = sizeof sa;
  getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len);
  *port = ntohs(sa.sin_port);
  return Wrap(s);
}

Socket AcceptFrom(Socket listener) {
  SOCKET s = accept(Native(listener), nullptr, nullptr);
  if (s != INVALID_SOCKET) SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  return Wrap(s);
}

bool Accepts(const std::string& address, uint16_t port) {
  SOCKET s = NewSocket();
  sockaddr_in sa;
  bool ok = s != INVALID_SOCKET && AddressOf(address, port, &sa) &&
            connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0;
  if (s != INVALID_SOCKET) closesocket(s);
  return ok;
}

uint16_t FreePort(const std::string& address) {
  uint16_t port = 0;
  Socket s = ListenOn(address, &port, nullptr);
  if (s == kNoSocket) return 0;
  CloseSocket(s);
  return port;
}

long SendSome(Socket socket, const char* data, size_t size) {
  return send(Native(socket), data, SizeOf(size), 0);
}

long ReceiveSome(Socket socket, char* buffer, size_t size) {
  return recv(Native(socket), buffer, SizeOf(size), 0);
}

void ShutdownSending(Socket socket) { shutdown(Native(socket), SD_SEND); }
void ShutdownBoth(Socket socket) { shutdown(Native(socket), SD_BOTH); }

void ResetOnClose(Socket socket) {
  linger hard{1, 0};
  setsockopt(Native(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
}

void CloseSocket(Socket socket) {
  if (socket != kNoSocket) closesocket(Native(socket));
}

std::vector<bool> WaitReadable(const std::vector<Socket>& sockets, int ms) {
  std::vector<WSAPOLLFD> fds;
  for (Socket s : sockets) fds.push_back({Native(s), POLLRDNORM, 0});
  if (WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), ms) <= 0) return {};
  std::vector<bool> ready;
  for (const WSAPOLLFD& p : fds) ready.push_back(p.revents != 0);
  return ready;
}

// Winsock waits on sockets only: the signal is a connected pair on loopback.
bool WakeSignal::Open(std::string* error) {
  uint16_t port = 0;
  Socket listener = ListenOn("127.0.0.1", &port, error);
  if (listener == kNoSocket) return false;
  SOCKET writer = NewSocket();
  sockaddr_in sa;
  AddressOf("127.0.0.1", port, &sa);
  if (writer != INVALID_SOCKET && connect(writer, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) {
    read_ = AcceptFrom(listener);
  }
  write_ = Wrap(writer);
  CloseSocket(listener);
  if (read_ != kNoSocket) return true;
  if (error) *error = "wake signal: Winsock error " + std::to_string(WSAGetLastError());
  Close();
  return false;
}

void WakeSignal::Raise() { send(Native(write_), "!", 1, 0); }

void WakeSignal::Close() {
  CloseSocket(read_);
  CloseSocket(write_);
  read_ = write_ = kNoSocket;
}

}  // namespace platform::testing
