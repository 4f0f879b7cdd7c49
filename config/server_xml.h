#pragma once
// The runtime configuration answer of the platform service: where it is
// asked for, how its document is read, and the values reported about it.
// Everything here is a pure function of its arguments (apart from the clock
// for the banner's time parameter), so hostile answers can be fed to it
// directly.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/product_config.h"
#include "config/runtime_config.h"

// What one answer held besides the runtime fields.
struct ServerXmlAnswer {
  bool downloader = false;  // root twrp with a downloader child
  bool runtime = false;     // downloader had a runtime child
  // Every bind/item in document order, qualifying or not (the caller logs
  // each and merges those that qualify).
  std::vector<DependentItem> bindItems;
};

// Answers longer than this are not read at all. A runtime configuration is a
// few kilobytes; reading megabytes of text would hold the preparation up for
// seconds and can only come from a broken or hostile server.
inline constexpr size_t kMaxServerXmlBytes = 1 << 20;

// Reads the answer's bytes (UTF-8; bytes that start no valid sequence read
// as "?", and the text ends at a NUL byte) into `config`. Only the elements
// present change their field; an answer that is not a twrp document, or is
// longer than kMaxServerXmlBytes, changes nothing. Whenever downloader exists, banner_url gets the "_t=" time
// parameter appended, also when runtime or banner_url is missing.
ServerXmlAnswer ReadServerXml(const std::string& answer, RuntimeConfig* config);

// The request URL. With AppID and Channel both set: the static file beside
// the 32-bit package (Downurl/Url_Down up to its last "/", then
// "/xml/<AppID>_<Channel>.xml"); otherwise the platform service's runtime
// query. Values are inserted as they are.
std::wstring ServerXmlUrl(const ProductConfig& product, const std::wstring& clientSign,
                          const std::wstring& selfVersion, bool wow64);

// The installer's version as the runtime query sends it: major.minor.build of
// `selfVersion` ("a.b.c.d"), or "3.0.5" when the executable has none (empty).
std::wstring KivVersionParam(const std::wstring& selfVersion);

// The non-empty digests in the order given, joined with ",".
std::wstring JoinDigests(const std::vector<std::wstring>& digests);

// The values of the configuration event ("downloader_config") after a load.
struct ConfigEventValues {
  std::wstring name;
  std::wstring exe_name;  // process_name
  int64_t pkg_size = 0;   // filesize as a decimal number, 0 when it is none
  std::wstring pkg_url;
  std::wstring pkg_md5;
  std::wstring x64_pkg_url;
  std::wstring x64_pkg_md5;
  int error_code = 0;  // libcurl result code of the request
  bool operator==(const ConfigEventValues&) const = default;
};

ConfigEventValues ConfigEventFrom(const RuntimeConfig& config, int curlCode);
