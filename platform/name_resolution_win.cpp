#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstring>
#include <mutex>

#include "platform/name_resolution.h"

namespace platform {
namespace {

// Winsock stays started for the life of the process once anything needs it.
bool WinsockReady() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] {
    WSADATA data;
    ready = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  });
  return ready;
}

}  // namespace

std::vector<std::string> ResolveHostIPv4(const std::string& utf8Name) {
  std::vector<std::string> addresses;
  if (utf8Name.empty() || !WinsockReady()) return addresses;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(utf8Name.c_str(), nullptr, &hints, &found) != 0) return addresses;
  for (const addrinfo* a = found; a; a = a->ai_next) {
    char text[INET_ADDRSTRLEN];
    auto* sa = reinterpret_cast<sockaddr_in*>(a->ai_addr);
    if (inet_ntop(AF_INET, &sa->sin_addr, text, sizeof text)) addresses.emplace_back(text);
  }
  freeaddrinfo(found);
  return addresses;
}

bool ParseIPv4(const std::string& text, std::array<uint8_t, 4>* octets) {
  if (!WinsockReady()) return false;
  IN_ADDR address;
  if (inet_pton(AF_INET, text.c_str(), &address) != 1) return false;
  memcpy(octets->data(), &address, 4);  // network order: the first octet first
  return true;
}

void FlushDnsResolverCache() {
  // Only from the system folder, so that no planted dnsapi.dll is loaded.
  HMODULE dnsapi = LoadLibraryExW(L"dnsapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!dnsapi) return;
  using FlushFn = BOOL(WINAPI*)();
  auto flush = reinterpret_cast<FlushFn>(reinterpret_cast<void*>(GetProcAddress(dnsapi, "DnsFlushResolverCache")));
  if (flush) flush();
  FreeLibrary(dnsapi);
}

}  // namespace platform
