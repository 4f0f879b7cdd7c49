#include "engine/sha256.h"

#include <gtest/gtest.h>

namespace ns_VYN {
namespace {

// FIPS 180-4 example vectors, including both padding boundaries (55 and 56
// bytes left in the last block) and input spanning many blocks.
TEST(Sha256, KnownDigests) {
  struct Case {
    std::string input;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) EXPECT_EQ(Sha256HexLower(c.input), c.digest) << c.input.size() << " bytes";
}

TEST(Sha256, PiecesGiveTheDigestOfTheWhole) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += static_cast<char>(i * 7);
  Sha256 sha;
  for (size_t pos = 0, step = 1; pos < text.size(); pos += step, step = step * 2 + 1) {
    sha.Update(text.data() + pos, std::min(step, text.size() - pos));
  }
  uint8_t digest[32];
  sha.Finish(digest);
  std::string hex;
  for (uint8_t b : digest) hex += "0123456789abcdef"[b >> 4], hex += "0123456789abcdef"[b & 15];
  EXPECT_EQ(hex, Sha256HexLower(text));
}

}  // namespace
}  // namespace ns_VYN
