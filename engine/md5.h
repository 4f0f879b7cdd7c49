#pragma once
// MD5 (RFC 1321), streaming: feed any number of pieces, then finish once.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ns_VYN {

class Md5 {
 public:
  Md5();
  void Update(const void* data, size_t size);
  // The 16-byte digest; the object must not be updated afterwards.
  void Finish(uint8_t digest[16]);
  // Finish, as 32 upper-case hexadecimal digits.
  std::string FinishHexUpper();

 private:
  void Blocks(const uint8_t* data, size_t count);  // count whole 64-byte blocks

  uint32_t state_[4];
  uint64_t length_ = 0;  // bytes fed so far
  uint8_t pending_[64];
  size_t pendingSize_ = 0;
};

// MD5 of one text, as 32 upper-case hexadecimal digits.
std::string Md5HexUpper(const std::string& bytes);

}  // namespace ns_VYN
