#pragma once
// SHA-256 (FIPS 180-4) over a byte string, streaming.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ns_VYN {

class Sha256 {
 public:
  Sha256();
  virtual ~Sha256() = default;
  void Update(const void* data, size_t size);
  // The 32-byte digest; the object must not be updated afterwards.
  void Finish(uint8_t digest[32]);

 private:
  void Block(const uint8_t* block);

  uint32_t state_[8];
  uint64_t length_ = 0;
  uint8_t pending_[64];
  size_t pendingSize_ = 0;
};

// SHA-256 of one text as 64 lower-case hexadecimal digits.
std::string Sha256HexLower(const std::string& bytes);

}  // namespace ns_VYN
