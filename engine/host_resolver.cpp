#include "engine/host_resolver.h"

#include <array>

#include "engine/http_dns.h"
#include "engine/http_request.h"
#include "platform/name_resolution.h"
#include "system/log.h"
#include "system/text_convert.h"

namespace ns_VYN {
namespace {

// "host:port" -> "host" and ":port"; a host without a numeric port stays whole.
void SplitPort(const std::wstring& host, std::wstring* name, std::wstring* portSuffix) {
  size_t colon = host.rfind(L':');
  bool numeric = colon != std::wstring::npos && colon + 1 < host.size() &&
                 host.find_first_not_of(L"0123456789", colon + 1) == std::wstring::npos;
  *name = numeric ? host.substr(0, colon) : host;
  *portSuffix = numeric ? host.substr(colon) : std::wstring();
}

std::wstring HostOfUrl(const std::wstring& url) {
  std::wstring scheme, host, path;
  return SplitUrl(url, &scheme, &host, &path) ? host : std::wstring();
}

}  // namespace

bool SplitUrl(const std::wstring& url, std::wstring* scheme, std::wstring* host, std::wstring* path) {
  size_t sep = url.find(L"://");
  if (sep == std::wstring::npos) return false;
  size_t slash = url.find(L'/', sep + 3);
  *scheme = url.substr(0, sep);
  *host = url.substr(sep + 3, slash == std::wstring::npos ? std::wstring::npos : slash - sep - 3);
  *path = slash == std::wstring::npos ? std::wstring() : url.substr(slash);
  return true;
}

bool AddressValue(const std::string& dotted, uint32_t* address) {
  std::array<uint8_t, 4> o;
  if (!platform::ParseIPv4(dotted, &o)) return false;
  *address = uint32_t(o[0]) | uint32_t(o[1]) << 8 | uint32_t(o[2]) << 16 | uint32_t(o[3]) << 24;
  return true;
}

std::string AddressText(uint32_t address) {
  return std::to_string(address & 0xFF) + "." + std::to_string((address >> 8) & 0xFF) + "." +
         std::to_string((address >> 16) & 0xFF) + "." + std::to_string(address >> 24);
}

CHostResolver& CHostResolver::Instance() {
  static CHostResolver* const resolver = new CHostResolver();  // lives as long as the process
  return *resolver;
}

CHostResolver::AddressSet CHostResolver::AddressesOf(const std::wstring& host) {
  std::lock_guard<std::mutex> lock(mapsMutex_);
  auto it = addresses_.find(host);
  return it == addresses_.end() ? AddressSet() : it->second;
}

bool CHostResolver::QueryHost(const std::wstring& host) {
  std::wstring name, port;
  SplitPort(host, &name, &port);
  std::string utf8Host = WideToUtf8(host), utf8Name = WideToUtf8(name);
  if (host.empty() || utf8Host.empty() || utf8Name.empty()) return false;
  AddressSet found;
  for (const auto& text : platform::ResolveHostIPv4(utf8Name)) {
    uint32_t value;
    if (AddressValue(text, &value)) found.insert(value);
  }
  if (found.empty()) {
    std::vector<std::string> answers;
    QueryHttpDns(utf8Name, &answers);
    Log(3, "[INFO] query httpdns, host=[%s], ip count=[%d].", utf8Host.c_str(), static_cast<int>(answers.size()));
    for (const auto& text : answers) {
      uint32_t value;
      if (AddressValue(text, &value)) {
        found.insert(value);
      } else {
        Log(2, "[WARN] httpdns ip invalid=[%s], skipped.", text.c_str());
      }
    }
  }
  Log(3, "[INFO] query host=[%s], ip count=[%d].", utf8Host.c_str(), static_cast<int>(found.size()));
  std::lock_guard<std::mutex> lock(mapsMutex_);
  addresses_[host] = found;
  return !found.empty();
}

std::map<uint32_t, int64_t> CHostResolver::ProbeSizes(const std::wstring& scheme, const std::wstring& host,
                                                      const std::wstring& path, const AddressSet& addresses) {
  std::wstring name, port;
  SplitPort(host, &name, &port);
  std::map<uint32_t, int64_t> sizes;
  std::map<int64_t, int> groups;
  for (uint32_t address : addresses) {
    std::string dotted = AddressText(address);
    Log(3, "[INFO] host ip=[%s]", dotted.c_str());
    int64_t size = GetRemoteFileSize(scheme + L"://" + Utf8ToWide(dotted) + port + path, host);
    sizes[address] = size;
    if (size != 0 && ++groups[size] >= kEnoughAgreeing) break;
  }
  return sizes;
}

void CHostResolver::KeepMajority(const std::wstring& url, const std::wstring& host,
                                 const std::map<uint32_t, int64_t>& sizes) {
  std::map<int64_t, int> groups;
  for (const auto& [address, size] : sizes) {
    if (size != 0) ++groups[size];
  }
  int64_t winner = 0;
  int best = 0;
  for (const auto& [size, count] : groups) {  // ascending: a tie keeps the smaller size
    if (count <= best) continue;
    winner = size;
    best = count;
    Log(3, "[INFO] ulfs_max=[%lld], count=[%d]", static_cast<long long>(size), count);
  }
  if (winner == 0) return;  // nobody reported a size: keep every address
  std::lock_guard<std::mutex> lock(mapsMutex_);
  sizes_[url] = winner;
  AddressSet& set = addresses_[host];
  for (auto it = set.begin(); it != set.end();) {
    auto probed = sizes.find(*it);
    if (probed != sizes.end() && probed->second == winner) {
      ++it;
      continue;
    }
    Log(2, "[WARN] remove host ip=[%s]", AddressText(*it).c_str());
    it = set.erase(it);
  }
}

bool CHostResolver::InitHost(const std::wstring& url) {
  if (url.empty()) {
    Log(1, "[ERROR] init host url is empty.");
    return false;
  }
  std::wstring scheme, host, path;
  if (!SplitUrl(url, &scheme, &host, &path) || host.empty()) {
    Log(1, "[ERROR] parse url failed!");
    return false;
  }
  std::lock_guard<std::mutex> lock(resolveMutex_);
  if (!AddressesOf(host).empty()) return true;
  if (!QueryHost(host)) {
    Log(1, "[ERROR] query host failed!");
    return false;
  }
  KeepMajority(url, host, ProbeSizes(scheme, host, path, AddressesOf(host)));
  int kept = static_cast<int>(AddressesOf(host).size());
  Log(3, "[INFO] init host, vaild ip count=[%d]", kept);
  return kept != 0;
}

bool CHostResolver::IsHostResolved(const std::wstring& url) {
  std::lock_guard<std::mutex> lock(resolveMutex_);
  std::wstring host = HostOfUrl(url);
  return !host.empty() && !AddressesOf(host).empty();
}

int64_t CHostResolver::GetHostSize(const std::wstring& url) {
  std::lock_guard<std::mutex> lock(mapsMutex_);
  auto it = sizes_.find(url);
  return it == sizes_.end() ? 0 : it->second;
}

bool CHostResolver::GetHostInfo(const std::wstring& url, std::string* utf8Host, std::string* addressText) {
  std::lock_guard<std::mutex> lock(resolveMutex_);
  std::wstring host = HostOfUrl(url);
  *utf8Host = WideToUtf8(host);
  addressText->clear();
  for (uint32_t address : AddressesOf(host)) {
    if (!addressText->empty()) *addressText += ",";
    *addressText += AddressText(address);
  }
  return !addressText->empty();
}

bool CHostResolver::GetHostIps(const std::string& utf8Host, std::vector<std::string>* ips) {
  ips->clear();
  for (uint32_t address : AddressesOf(Utf8ToWide(utf8Host))) ips->push_back(AddressText(address));
  return !ips->empty();
}

void CHostResolver::ClearHosts() {
  std::lock_guard<std::mutex> lock(resolveMutex_);
  {
    std::lock_guard<std::mutex> maps(mapsMutex_);
    addresses_.clear();
  }
  platform::FlushDnsResolverCache();
}

}  // namespace ns_VYN
