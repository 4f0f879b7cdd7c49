#include "engine/content_length.h"

#include <gtest/gtest.h>

namespace ns_VYN {
namespace {

TEST(ContentLength, ValueTextIsTakenFromTheLastHeaderUpToItsLineEnd) {
  struct Case {
    std::string block;
    bool found;
    std::string value;
  } cases[] = {
      // Redirect hops come first; the final answer's length is the one that counts.
      {"HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 77\r\n\r\n", true, " 77"},
      {"HTTP/1.1 200 OK\r\ncontent-length: 5\r\n\r\n", false, ""},  // the key is case-sensitive
      {"HTTP/1.1 200 OK\r\nContent-Length: 5", false, ""},         // no line end
      {"HTTP/1.1 200 OK\r\nContent-Length: 5\n\r\n", true, " 5\n"},
      {"", false, ""},
  };
  for (const auto& c : cases) {
    std::string value = "untouched";
    EXPECT_EQ(LastContentLengthText(c.block, &value), c.found) << c.block;
    if (c.found) {
      EXPECT_EQ(value, c.value) << c.block;
    }
  }
}

TEST(ContentLength, ValueParsing) {
  struct Case {
    const char* text;
    int64_t value;
  } cases[] = {
      {" 1024", 1024},
      {"1 0 2 4", 1024},  // spaces anywhere are dropped
      {"+15", 15},
      {" 9223372036854775807", INT64_MAX},
      {"9223372036854775808", 0},  // beyond int64
      {"99999999999999999999999", 0},
      {"-5", 0},  // negative: no size
      {"12abc", 0},
      {"0x10", 0},
      {"\t12", 0},
      {"", 0},
      {"+", 0},
      {"1+2", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseContentLength(c.text), c.value) << "\"" << c.text << "\"";
}

}  // namespace
}  // namespace ns_VYN
