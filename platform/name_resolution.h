#pragma once
// Host names and IPv4 addresses: the system resolver, dotted-address parsing
// and the system resolver's cache.
//
// The sim backend answers names of the machine profile's "hosts" map first
// ({"cdn.test": ["127.0.0.2", "127.0.0.3"]}; an empty list is a name that
// does not resolve, without asking anyone), then asks the real resolver; its
// cache flush leaves a "dns_flush" entry in the sandbox journal.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// IPv4 addresses of `utf8Name` as dotted texts, in the resolver's order;
// empty when the name does not resolve.
std::vector<std::string> ResolveHostIPv4(const std::string& utf8Name);

// Exactly four decimal numbers 0..255 separated by dots ("127.0.0.2") into
// its octets in order; false for anything else.
bool ParseIPv4(const std::string& text, std::array<uint8_t, 4>* octets);

// Empties the system resolver's cache; silently does nothing where that is
// not available.
void FlushDnsResolverCache();

}  // namespace platform
