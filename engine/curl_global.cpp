#include "engine/curl_global.h"

#include <curl/curl.h>

#include <mutex>

#include "system/log.h"

namespace ns_VYN {

void EnsureCurlGlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] {
    CURLcode code = curl_global_init(CURL_GLOBAL_ALL);
    if (code != CURLE_OK) Log(1, "[ERROR] curl global init failed, code=[%d].", static_cast<int>(code));
  });
}

}  // namespace ns_VYN
