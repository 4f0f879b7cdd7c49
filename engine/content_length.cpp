#include "engine/content_length.h"

#include <limits>

namespace ns_VYN {
namespace {
constexpr char kKey[] = "Content-Length:";
constexpr size_t kKeySize = sizeof kKey - 1;
}  // namespace

bool LastContentLengthText(const std::string& headerBlock, std::string* valueText) {
  size_t key = headerBlock.rfind(kKey);
  if (key == std::string::npos) return false;
  size_t lineEnd = headerBlock.find("\r\n", key);
  if (lineEnd == std::string::npos) return false;
  *valueText = headerBlock.substr(key + kKeySize, lineEnd - key - kKeySize);
  return true;
}

int64_t ParseContentLength(const std::string& valueText) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  bool digits = false, sign = false;
  for (char c : valueText) {
    if (c == ' ') continue;
    if (c == '+' && !digits && !sign) {
      sign = true;
      continue;
    }
    if (c < '0' || c > '9') return 0;  // also "-": a negative length is no length
    int digit = c - '0';
    if (value > (kMax - digit) / 10) return 0;
    value = value * 10 + digit;
    digits = true;
  }
  return value;
}

}  // namespace ns_VYN
