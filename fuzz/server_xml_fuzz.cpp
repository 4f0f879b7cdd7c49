// The runtime configuration answer as a hostile server sends it: reading
// never crashes, and an answer that is not a downloader document changes
// nothing and yields no dependent products.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/server_xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RuntimeConfig config;
  config.name = L"local name";
  config.banner_url = L"http://127.0.0.1/banner";
  const RuntimeConfig before = config;
  ServerXmlAnswer answer = ReadServerXml(std::string(reinterpret_cast<const char*>(data), size), &config);
  if (!answer.downloader && (!(config == before) || answer.runtime || !answer.bindItems.empty())) abort();
  return 0;
}
