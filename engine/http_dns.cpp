#include "engine/http_dns.h"

#include <mutex>

#include "engine/engine_deployment.h"
#include "engine/http_request.h"
#include "engine/sha256.h"
#include "platform/system_info.h"
#include "system/log.h"
#include "system/text_convert.h"

namespace ns_VYN {
namespace {

struct Endpoints {
  std::mutex mutex;
  std::wstring primary = deployment::kHttpDnsPrimary;
  std::wstring fallback = deployment::kHttpDnsFallback;
};

Endpoints& TheEndpoints() {
  static Endpoints endpoints;
  return endpoints;
}

int Base64Digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::wstring Trim(const std::wstring& text) {
  const wchar_t* blanks = L" \t\r\n";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::wstring::npos) return std::wstring();
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

void SetHttpDnsEndpoints(const std::wstring& primary, const std::wstring& fallback) {
  Endpoints& e = TheEndpoints();
  std::lock_guard<std::mutex> lock(e.mutex);
  e.primary = primary;
  e.fallback = fallback;
}

std::string RestoreAccountValue(const std::string& stored) {
  std::string value;
  uint32_t bits = 0;
  int count = 0;
  for (char c : stored) {
    int digit = Base64Digit(c);
    if (digit < 0) continue;  // filler and padding
    bits = (bits << 6) | static_cast<uint32_t>(digit);
    count += 6;
    if (count >= 8) {
      count -= 8;
      value += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return value;
}

std::string HttpDnsQueryPath(const std::string& utf8Host, const std::string& accountId,
                             const std::string& accessKeyId, const std::string& secret,
                             const std::string& timeStamp) {
  std::string key = Sha256HexLower(accountId + secret + timeStamp + utf8Host + accessKeyId);
  return "/resolve?type=1&short=1&uid=" + accountId + "&ak=" + accessKeyId + "&name=" + utf8Host +
         "&ts=" + timeStamp + "&key=" + key;
}

std::vector<std::string> ParseHttpDnsAnswer(const std::string& utf8Answer) {
  std::vector<std::string> addresses;
  std::wstring answer = Utf8ToWide(utf8Answer);
  if (answer.size() < 2) return addresses;
  std::wstring inner = answer.substr(1, answer.size() - 2);
  for (size_t begin = 0; begin <= inner.size();) {
    size_t comma = inner.find(L',', begin);
    size_t end = comma == std::wstring::npos ? inner.size() : comma;
    std::wstring piece = inner.substr(begin, end - begin);
    if (piece.size() > 1) {
      std::wstring trimmed = Trim(piece);
      if (trimmed.size() >= 2) addresses.push_back(WideToUtf8(trimmed.substr(1, trimmed.size() - 2)));
    }
    begin = end + 1;
  }
  return addresses;
}

bool QueryHttpDns(const std::string& utf8Host, std::vector<std::string>* addresses) {
  addresses->clear();
  std::wstring primary, fallback;
  {
    Endpoints& e = TheEndpoints();
    std::lock_guard<std::mutex> lock(e.mutex);
    primary = e.primary;
    fallback = e.fallback;
  }
  std::string path = HttpDnsQueryPath(utf8Host, RestoreAccountValue(deployment::kHttpDnsAccountId),
                                      RestoreAccountValue(deployment::kHttpDnsAccessKeyId),
                                      RestoreAccountValue(deployment::kHttpDnsSecret),
                                      std::to_string(platform::GetUnixTimeNow()));
  std::wstring widePath = Utf8ToWide(path);
  int code = 0;
  std::string answer = CurlRequest(kCurlGet, primary + widePath, {}, true, false, std::string(), &code);
  if (code != 0 || answer.empty()) {
    code = 0;
    answer = CurlRequest(kCurlGet, fallback + widePath, {}, true, false, std::string(), &code);
  }
  *addresses = ParseHttpDnsAnswer(answer);
  return !addresses->empty();
}

}  // namespace ns_VYN
