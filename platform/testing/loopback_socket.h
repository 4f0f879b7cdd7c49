#pragma once
// The few TCP socket calls the test servers make, on loopback addresses,
// with one shape on both backends: file descriptors on POSIX, Winsock
// SOCKETs on Windows (where the servers run inside the test process under
// Wine). Every call returns instead of throwing or raising SIGPIPE.
#include <cstdint>
#include <string>
#include <vector>

namespace platform::testing {

using Socket = intptr_t;  // a file descriptor or a SOCKET
inline constexpr Socket kNoSocket = -1;

// A listening socket on `address` ("127.0.0.x") and *port (0: an ephemeral
// one, written back). kNoSocket with the reason in *error on failure.
Socket ListenOn(const std::string& address, uint16_t* port, std::string* error);
Socket AcceptFrom(Socket listener);
// True when something on address:port accepts a connection right now.
bool Accepts(const std::string& address, uint16_t port);
// A port that is free on `address` at this moment; 0 if none was found.
uint16_t FreePort(const std::string& address);

// Bytes sent or received; 0 or less when the connection failed or ended.
long SendSome(Socket socket, const char* data, size_t size);
long ReceiveSome(Socket socket, char* buffer, size_t size);
// Ends the sending direction (FIN), or both (wakes a thread blocked on it).
void ShutdownSending(Socket socket);
void ShutdownBoth(Socket socket);
// The next close resets the connection (RST) instead of ending it.
void ResetOnClose(Socket socket);
void CloseSocket(Socket socket);

// Waits up to `ms` for any of `sockets` to be readable, closed or failed;
// the result holds each socket's readiness (empty: none before `ms`).
std::vector<bool> WaitReadable(const std::vector<Socket>& sockets, int ms);

// A signal that, once raised, leaves its socket readable for good, so every
// thread waiting on it with WaitReadable wakes at once.
class WakeSignal {
 public:
  WakeSignal() = default;
  ~WakeSignal() { Close(); }
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;

  bool Open(std::string* error);
  void Raise();
  void Close();
  Socket Handle() const { return read_; }

 private:
  Socket read_ = kNoSocket;
  Socket write_ = kNoSocket;
};

}  // namespace platform::testing
