#pragma once
// The machine's persistent client identifier: a GUID text in braces with a
// capital "G" before the closing brace.
#include <cstdint>
#include <string>

// The stored identifier of `brand` (HKCU first, then the two HKLM places in
// the 32-bit view); a new one is made and stored under HKLM when none is
// stored. Without administrator rights the new one is still returned.
std::wstring GetClientSign(const std::wstring& brand);
// A new random identifier "{xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxxG}", from a
// xorshift128+ generator reseeded from the cryptographic random source on
// every call (and left as it was when that source fails).
std::string NewGuidString();

namespace client_sign_internal {

// xorshift128+ (shifts 23, 18, 5).
struct Xorshift128Plus {
  uint64_t s0 = 0;
  uint64_t s1 = 0;
  // s0 then s1 from 16 bytes, little-endian.
  void Seed(const unsigned char bytes[16]);
  uint64_t Next();
};

// The identifier text built from two draws of `generator`.
std::string GuidStringFrom(Xorshift128Plus* generator);

}  // namespace client_sign_internal
