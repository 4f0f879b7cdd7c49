#include "engine/md5.h"

#include <gtest/gtest.h>

#include <string>

namespace ns_VYN {
namespace {

TEST(Md5, KnownDigests) {
  struct Case {
    std::string input;
    const char* digest;
  };
  const Case cases[] = {
      {"", "D41D8CD98F00B204E9800998ECF8427E"},
      {"a", "0CC175B9C0F1B6A831C399E269772661"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"},
  };
  for (const Case& c : cases) EXPECT_EQ(Md5HexUpper(c.input), c.digest) << "input of " << c.input.size();
}

// Pieces that cut across the 64-byte blocks and the padding boundary give
// the digest of the whole.
TEST(Md5, StreamedInPiecesEqualsWhole) {
  std::string data;
  for (int i = 0; i < 1000; ++i) data.push_back(char(i * 131 + 7));
  for (size_t firstCut : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 500u}) {
    for (size_t secondCut : {firstCut, firstCut + 1, firstCut + 63, size_t(999), size_t(1000)}) {
      if (secondCut > data.size()) continue;
      Md5 md5;
      md5.Update(data.data(), firstCut);
      md5.Update(data.data() + firstCut, secondCut - firstCut);
      md5.Update(data.data() + secondCut, data.size() - secondCut);
      EXPECT_EQ(md5.FinishHexUpper(), Md5HexUpper(data)) << firstCut << "/" << secondCut;
    }
  }
}

}  // namespace
}  // namespace ns_VYN
