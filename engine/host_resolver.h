#pragma once
// The process-wide host resolver: learns the addresses of a package host
// (system resolver first, HTTP DNS second), probes every address for the
// package's size and keeps only the addresses that agree with the majority,
// so that broken or hijacked name resolution and mirrors that serve another
// file are left out. Downloads then pin their ranges to the kept addresses.
//
// A URL's host is the text between "://" and the next "/", kept as it is
// (with a port, if any) as the key of the address map; the name that is
// resolved is that text without its port, and probes go to the same port.
//
// Locking: InitHost holds resolveMutex_ across all of its probes, so a second
// download of the same host waits and then finds it resolved; IsHostResolved,
// GetHostInfo and ClearHosts hold it as well. The maps themselves are guarded
// by mapsMutex_, which is only ever held briefly, so GetHostSize and
// GetHostIps never wait for another host's probing.
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace ns_VYN {

class CHostResolver {
 public:
  // Probing stops once this many addresses agree on one size.
  static constexpr int kEnoughAgreeing = 10;

  // The process-wide resolver, created on first use (thread-safe), never destroyed.
  static CHostResolver& Instance();
  CHostResolver() = default;  // tests use resolvers of their own
  CHostResolver(const CHostResolver&) = delete;
  CHostResolver& operator=(const CHostResolver&) = delete;

  // Resolves and probes the URL's host once; true when it has a usable address.
  bool InitHost(const std::wstring& url);
  bool IsHostResolved(const std::wstring& url);
  // The size the majority of the host's addresses reported for exactly this URL; 0 if none.
  int64_t GetHostSize(const std::wstring& url);
  // The URL's host and its addresses in set order, dotted, joined by ",".
  bool GetHostInfo(const std::wstring& url, std::string* utf8Host, std::string* addressText);
  // The addresses of a host (the URL's host text) in set order; cleared first.
  bool GetHostIps(const std::string& utf8Host, std::vector<std::string>* ips);
  // Forgets every host's addresses (sizes stay) and flushes the system resolver cache.
  void ClearHosts();

 private:
  // An address as the 32-bit value of its in_addr lies in memory on the
  // (little-endian) machines this runs on: sets of them are ordered by the
  // fourth octet first.
  using AddressSet = std::set<uint32_t>;

  bool QueryHost(const std::wstring& host);
  // Probes the addresses in set order; returns each address's size (0: none).
  std::map<uint32_t, int64_t> ProbeSizes(const std::wstring& scheme, const std::wstring& host,
                                         const std::wstring& path, const AddressSet& addresses);
  void KeepMajority(const std::wstring& url, const std::wstring& host, const std::map<uint32_t, int64_t>& sizes);
  AddressSet AddressesOf(const std::wstring& host);

  std::mutex resolveMutex_;
  std::mutex mapsMutex_;
  std::map<std::wstring, AddressSet> addresses_;
  std::map<std::wstring, int64_t> sizes_;
};

// scheme :// host [/path]: false when the URL has no "://".
bool SplitUrl(const std::wstring& url, std::wstring* scheme, std::wstring* host, std::wstring* path);

// Dotted text of an address value of CHostResolver's sets, and back.
std::string AddressText(uint32_t address);
bool AddressValue(const std::string& dotted, uint32_t* address);

}  // namespace ns_VYN
