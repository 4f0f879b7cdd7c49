#include "engine/resume_record.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ns_VYN {
namespace {

bool Parse(const std::string& tail, int64_t total, std::map<int64_t, int64_t>* pairs) {
  return ParseResumeRecord(reinterpret_cast<const uint8_t*>(tail.data()), tail.size(), total, pairs);
}

TEST(ResumeRecord, RoundTripKeepsEveryPair) {
  const std::vector<ResumePair> pairs = {{200, 299}, {0, 99}, {999, 999}};
  const std::string bytes = EncodeResumeRecord(pairs);
  ASSERT_EQ(bytes.size(), 16u * 3 + 8);
  // Little-endian N in the last 8 bytes.
  EXPECT_EQ(bytes.substr(bytes.size() - 8), std::string("\x03\0\0\0\0\0\0\0", 8));
  std::map<int64_t, int64_t> read;
  ASSERT_TRUE(Parse(bytes, 1000, &read));
  EXPECT_EQ(read, (std::map<int64_t, int64_t>{{0, 99}, {200, 299}, {999, 999}}));
}

TEST(ResumeRecord, RejectsFaultyRecordsAsAWhole) {
  const int64_t total = 1000;
  auto withN = [](std::string bytes, int64_t n) {
    memcpy(bytes.data() + bytes.size() - 8, &n, 8);
    return bytes;
  };
  const std::string good = EncodeResumeRecord({{0, 99}, {200, 299}});
  struct Case {
    const char* what;
    std::string tail;
  };
  const Case cases[] = {
      {"too short", std::string(8, '\0')},
      {"no pairs", EncodeResumeRecord({})},
      {"negative N", withN(good, -2)},
      {"N larger than the tail", withN(good, 3)},
      {"N smaller than the tail", withN(good, 1)},
      {"torn tail", good.substr(1)},
      {"reversed pair", EncodeResumeRecord({{500, 400}})},
      {"pair past the end", EncodeResumeRecord({{900, 1000}})},
      {"first past the end", EncodeResumeRecord({{1000, 1000}})},
      {"negative first", EncodeResumeRecord({{-5, 10}})},
      {"overlapping pairs", EncodeResumeRecord({{0, 99}, {50, 150}})},
      {"same first twice", EncodeResumeRecord({{10, 20}, {10, 20}})},
      {"more than the package", EncodeResumeRecord({{0, 999}, {0, 0}})},
      {"huge values", EncodeResumeRecord({{0, INT64_MAX}})},
  };
  for (const Case& c : cases) {
    std::map<int64_t, int64_t> pairs = {{1, 1}};
    EXPECT_FALSE(Parse(c.tail, total, &pairs)) << c.what;
    EXPECT_TRUE(pairs.empty()) << c.what;
  }
}

TEST(ResumeRecord, MergedPairsNeverOverlap) {
  const std::vector<ResumePair> merged =
      MergeResumePairs({{500, 599}, {0, 99}, {50, 120}, {121, 130}, {700, 650}, {580, 590}});
  EXPECT_EQ(merged, (std::vector<ResumePair>{{0, 130}, {500, 599}}));
}

}  // namespace
}  // namespace ns_VYN
