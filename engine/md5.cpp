#include "engine/md5.h"

#include <algorithm>
#include <cstring>

namespace ns_VYN {
namespace {

inline uint32_t Rotl(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

inline uint32_t LoadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The four rounds, unrolled: the digest runs over whole packages, so the
// compression function is the engine's hottest loop after the copies.
#define KIV_MD5_STEP(f, a, b, c, d, x, t, s) \
  a += f(b, c, d) + (x) + (t);               \
  a = Rotl(a, s) + b;
#define KIV_MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define KIV_MD5_G(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define KIV_MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define KIV_MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))

}  // namespace

Md5::Md5() : state_{0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u} {}

void Md5::Blocks(const uint8_t* data, size_t count) {
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (; count > 0; --count, data += 64) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLe32(data + 4 * i);
    const uint32_t sa = a, sb = b, sc = c, sd = d;

    KIV_MD5_STEP(KIV_MD5_F, a, b, c, d, x[0], 0xd76aa478, 7)
    KIV_MD5_STEP(KIV_MD5_F, d, a, b, c, x[1], 0xe8c7b756, 12)
    KIV_MD5_STEP(KIV_MD5_F, c, d, a, b, x[2], 0x242070db, 17)
    KIV_MD5_STEP(KIV_MD5_F, b, c, d, a, x[3], 0xc1bdceee, 22)
    KIV_MD5_STEP(KIV_MD5_F, a, b, c, d, x[4], 0xf57c0faf, 7)
    KIV_MD5_STEP(KIV_MD5_F, d, a, b, c, x[5], 0x4787c62a, 12)
    KIV_MD5_STEP(KIV_MD5_F, c, d, a, b, x[6], 0xa8304613, 17)
    KIV_MD5_STEP(KIV_MD5_F, b, c, d, a, x[7], 0xfd469501, 22)
    KIV_MD5_STEP(KIV_MD5_F, a, b, c, d, x[8], 0x698098d8, 7)
    KIV_MD5_STEP(KIV_MD5_F, d, a, b, c, x[9], 0x8b44f7af, 12)
    KIV_MD5_STEP(KIV_MD5_F, c, d, a, b, x[10], 0xffff5bb1, 17)
    KIV_MD5_STEP(KIV_MD5_F, b, c, d, a, x[11], 0x895cd7be, 22)
    KIV_MD5_STEP(KIV_MD5_F, a, b, c, d, x[12], 0x6b901122, 7)
    KIV_MD5_STEP(KIV_MD5_F, d, a, b, c, x[13], 0xfd987193, 12)
    KIV_MD5_STEP(KIV_MD5_F, c, d, a, b, x[14], 0xa679438e, 17)
    KIV_MD5_STEP(KIV_MD5_F, b, c, d, a, x[15], 0x49b40821, 22)

    KIV_MD5_STEP(KIV_MD5_G, a, b, c, d, x[1], 0xf61e2562, 5)
    KIV_MD5_STEP(KIV_MD5_G, d, a, b, c, x[6], 0xc040b340, 9)
    KIV_MD5_STEP(KIV_MD5_G, c, d, a, b, x[11], 0x265e5a51, 14)
    KIV_MD5_STEP(KIV_MD5_G, b, c, d, a, x[0], 0xe9b6c7aa, 20)
    KIV_MD5_STEP(KIV_MD5_G, a, b, c, d, x[5], 0xd62f105d, 5)
    KIV_MD5_STEP(KIV_MD5_G, d, a, b, c, x[10], 0x02441453, 9)
    KIV_MD5_STEP(KIV_MD5_G, c, d, a, b, x[15], 0xd8a1e681, 14)
    KIV_MD5_STEP(KIV_MD5_G, b, c, d, a, x[4], 0xe7d3fbc8, 20)
    KIV_MD5_STEP(KIV_MD5_G, a, b, c, d, x[9], 0x21e1cde6, 5)
    KIV_MD5_STEP(KIV_MD5_G, d, a, b, c, x[14], 0xc33707d6, 9)
    KIV_MD5_STEP(KIV_MD5_G, c, d, a, b, x[3], 0xf4d50d87, 14)
    KIV_MD5_STEP(KIV_MD5_G, b, c, d, a, x[8], 0x455a14ed, 20)
    KIV_MD5_STEP(KIV_MD5_G, a, b, c, d, x[13], 0xa9e3e905, 5)
    KIV_MD5_STEP(KIV_MD5_G, d, a, b, c, x[2], 0xfcefa3f8, 9)
    KIV_MD5_STEP(KIV_MD5_G, c, d, a, b, x[7], 0x676f02d9, 14)
    KIV_MD5_STEP(KIV_MD5_G, b, c, d, a, x[12], 0x8d2a4c8a, 20)

    KIV_MD5_STEP(KIV_MD5_H, a, b, c, d, x[5], 0xfffa3942, 4)
    KIV_MD5_STEP(KIV_MD5_H, d, a, b, c, x[8], 0x8771f681, 11)
    KIV_MD5_STEP(KIV_MD5_H, c, d, a, b, x[11], 0x6d9d6122, 16)
    KIV_MD5_STEP(KIV_MD5_H, b, c, d, a, x[14], 0xfde5380c, 23)
    KIV_MD5_STEP(KIV_MD5_H, a, b, c, d, x[1], 0xa4beea44, 4)
    KIV_MD5_STEP(KIV_MD5_H, d, a, b, c, x[4], 0x4bdecfa9, 11)
    KIV_MD5_STEP(KIV_MD5_H, c, d, a, b, x[7], 0xf6bb4b60, 16)
    KIV_MD5_STEP(KIV_MD5_H, b, c, d, a, x[10], 0xbebfbc70, 23)
    KIV_MD5_STEP(KIV_MD5_H, a, b, c, d, x[13], 0x289b7ec6, 4)
    KIV_MD5_STEP(KIV_MD5_H, d, a, b, c, x[0], 0xeaa127fa, 11)
    KIV_MD5_STEP(KIV_MD5_H, c, d, a, b, x[3], 0xd4ef3085, 16)
    KIV_MD5_STEP(KIV_MD5_H, b, c, d, a, x[6], 0x04881d05, 23)
    KIV_MD5_STEP(KIV_MD5_H, a, b, c, d, x[9], 0xd9d4d039, 4)
    KIV_MD5_STEP(KIV_MD5_H, d, a, b, c, x[12], 0xe6db99e5, 11)
    KIV_MD5_STEP(KIV_MD5_H, c, d, a, b, x[15], 0x1fa27cf8, 16)
    KIV_MD5_STEP(KIV_MD5_H, b, c, d, a, x[2], 0xc4ac5665, 23)

    KIV_MD5_STEP(KIV_MD5_I, a, b, c, d, x[0], 0xf4292244, 6)
    KIV_MD5_STEP(KIV_MD5_I, d, a, b, c, x[7], 0x432aff97, 10)
    KIV_MD5_STEP(KIV_MD5_I, c, d, a, b, x[14], 0xab9423a7, 15)
    KIV_MD5_STEP(KIV_MD5_I, b, c, d, a, x[5], 0xfc93a039, 21)
    KIV_MD5_STEP(KIV_MD5_I, a, b, c, d, x[12], 0x655b59c3, 6)
    KIV_MD5_STEP(KIV_MD5_I, d, a, b, c, x[3], 0x8f0ccc92, 10)
    KIV_MD5_STEP(KIV_MD5_I, c, d, a, b, x[10], 0xffeff47d, 15)
    KIV_MD5_STEP(KIV_MD5_I, b, c, d, a, x[1], 0x85845dd1, 21)
    KIV_MD5_STEP(KIV_MD5_I, a, b, c, d, x[8], 0x6fa87e4f, 6)
    KIV_MD5_STEP(KIV_MD5_I, d, a, b, c, x[15], 0xfe2ce6e0, 10)
    KIV_MD5_STEP(KIV_MD5_I, c, d, a, b, x[6], 0xa3014314, 15)
    KIV_MD5_STEP(KIV_MD5_I, b, c, d, a, x[13], 0x4e0811a1, 21)
    KIV_MD5_STEP(KIV_MD5_I, a, b, c, d, x[4], 0xf7537e82, 6)
    KIV_MD5_STEP(KIV_MD5_I, d, a, b, c, x[11], 0xbd3af235, 10)
    KIV_MD5_STEP(KIV_MD5_I, c, d, a, b, x[2], 0x2ad7d2bb, 15)
    KIV_MD5_STEP(KIV_MD5_I, b, c, d, a, x[9], 0xeb86d391, 21)

    a += sa;
    b += sb;
    c += sc;
    d += sd;
  }
  state_[0] = a;
  state_[1] = b;
  state_[2] = c;
  state_[3] = d;
}

void Md5::Update(const void* data, size_t size) {
  const uint8_t* in = static_cast<const uint8_t*>(data);
  length_ += size;
  if (pendingSize_ > 0) {
    size_t take = std::min(size, sizeof(pending_) - pendingSize_);
    memcpy(pending_ + pendingSize_, in, take);
    pendingSize_ += take;
    in += take;
    size -= take;
    if (pendingSize_ < sizeof(pending_)) return;
    Blocks(pending_, 1);
    pendingSize_ = 0;
  }
  Blocks(in, size / 64);
  in += size / 64 * 64;
  size %= 64;
  memcpy(pending_, in, size);
  pendingSize_ = size;
}

void Md5::Finish(uint8_t digest[16]) {
  const uint64_t bits = length_ * 8;
  static const uint8_t kPad[64] = {0x80};
  size_t padSize = pendingSize_ < 56 ? 56 - pendingSize_ : 120 - pendingSize_;
  Update(kPad, padSize);
  uint8_t lengthBytes[8];
  for (int i = 0; i < 8; ++i) lengthBytes[i] = uint8_t(bits >> (8 * i));
  Update(lengthBytes, 8);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = uint8_t(state_[i] >> (8 * j));
  }
}

std::string Md5::FinishHexUpper() {
  uint8_t digest[16];
  Finish(digest);
  static const char kHex[] = "0123456789ABCDEF";
  std::string text(32, '0');
  for (int i = 0; i < 16; ++i) {
    text[2 * i] = kHex[digest[i] >> 4];
    text[2 * i + 1] = kHex[digest[i] & 15];
  }
  return text;
}

std::string Md5HexUpper(const std::string& bytes) {
  Md5 md5;
  md5.Update(bytes.data(), bytes.size());
  return md5.FinishHexUpper();
}

}  // namespace ns_VYN
