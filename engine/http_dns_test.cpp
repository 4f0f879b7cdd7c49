#include "engine/http_dns.h"

#include <gtest/gtest.h>

namespace ns_VYN {
namespace {

TEST(HttpDnsAnswer, PiecesOfTheArrayLoseQuotesAndBlanks) {
  using V = std::vector<std::string>;
  struct Case {
    std::string answer;
    V pieces;
  } cases[] = {
      {"[\"1.2.3.4\",\"5.6.7.8\"]", V{"1.2.3.4", "5.6.7.8"}},
      {"[ \"1.2.3.4\" ,\n \"5.6.7.8\"\n]", V{"1.2.3.4", "5.6.7.8"}},
      {"[\"1.2.3.4\"]", V{"1.2.3.4"}},
      {"[]", V{}},
      {"[", V{}},  // shorter than 2 characters
      {"", V{}},
      {"[,,x,\"\"]", V{""}},  // single characters are skipped, an empty pair gives an empty text
      {"[ , ]", V{}},          // blank pieces give nothing
      {"{\"ips\":[\"1.2.3.4\"]}", V{"ips\":[\"1.2.3.4\""}},  // not validated here
  };
  for (const auto& c : cases) EXPECT_EQ(ParseHttpDnsAnswer(c.answer), c.pieces) << c.answer;
}

TEST(HttpDnsAccount, FillerIsRemovedBeforeDecoding) {
  struct Case {
    const char* stored;
    const char* value;
  } cases[] = {
      {"aGVs~~bG8=", "hello"},
      {"~aGVsbG8~", "hello"},
      {"MTAwMDQy", "100042"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(RestoreAccountValue(c.stored), c.value) << c.stored;
}

}  // namespace
}  // namespace ns_VYN
