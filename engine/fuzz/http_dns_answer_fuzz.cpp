// Any HTTP DNS answer: parsing never crashes, and every piece that is taken
// as an address reads back as exactly the same dotted text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/host_resolver.h"
#include "engine/http_dns.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string answer(reinterpret_cast<const char*>(data), size);
  for (const auto& piece : ns_VYN::ParseHttpDnsAnswer(answer)) {
    uint32_t address = 0;
    if (ns_VYN::AddressValue(piece, &address) && ns_VYN::AddressText(address) != piece) abort();
  }
  return 0;
}
