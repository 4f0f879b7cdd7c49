#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <string.h>
#include <strings.h>
#include <sys/socket.h>

#include "platform/name_resolution.h"
#include "platform/sim/machine.h"

namespace platform {
namespace {

// The profile's "hosts" entry for `name` (names compare case-blind, as DNS
// names do); nullptr when the profile does not name it.
const cJSON* ProfileEntry(const std::string& name) {
  const cJSON* hosts = sim::TheMachine().Item("hosts");
  if (!cJSON_IsObject(hosts)) return nullptr;
  for (const cJSON* entry = hosts->child; entry; entry = entry->next) {
    if (entry->string && strcasecmp(entry->string, name.c_str()) == 0) return entry;
  }
  return nullptr;
}

}  // namespace

std::vector<std::string> ResolveHostIPv4(const std::string& utf8Name) {
  std::vector<std::string> addresses;
  if (utf8Name.empty()) return addresses;
  // A name of the profile is answered from it alone; an empty list there is a
  // name that the resolver does not know, so no real resolver is asked.
  if (const cJSON* entry = ProfileEntry(utf8Name)) {
    const cJSON* item = nullptr;
    cJSON_ArrayForEach(item, entry) {
      if (cJSON_IsString(item)) addresses.emplace_back(item->valuestring);
    }
    return addresses;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(utf8Name.c_str(), nullptr, &hints, &found) != 0) return addresses;
  for (const addrinfo* a = found; a; a = a->ai_next) {
    char text[INET_ADDRSTRLEN];
    const auto* sa = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
    if (inet_ntop(AF_INET, &sa->sin_addr, text, sizeof text)) addresses.emplace_back(text);
  }
  freeaddrinfo(found);
  return addresses;
}

bool ParseIPv4(const std::string& text, std::array<uint8_t, 4>* octets) {
  in_addr address;
  if (inet_pton(AF_INET, text.c_str(), &address) != 1) return false;
  memcpy(octets->data(), &address, 4);  // network order: the first octet first
  return true;
}

void FlushDnsResolverCache() { sim::AppendJournal("dns_flush", {}); }

}  // namespace platform
