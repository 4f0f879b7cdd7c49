// CMultiDownloader: the host's addresses, their use counts, and the size
// probe of the package.
#include <curl/curl.h>

#include <chrono>
#include <thread>

#include "engine/curl_global.h"
#include "engine/host_resolver.h"
#include "engine/multi_downloader.h"
#include "engine/range_transfer.h"
#include "system/log.h"
#include "system/text_convert.h"

namespace ns_VYN {
namespace {

constexpr int kProbeTries = 10;
// Tries after this many HEAD requests are GET requests: some servers only
// tell the length of a real download.
constexpr int kProbeHeadTries = 6;
constexpr auto kProbePause = std::chrono::microseconds(500);

// The probe needs the headers only: the first body bytes end the transfer.
size_t StopAtBody(char*, size_t, size_t, void* reached) {
  *static_cast<bool*>(reached) = true;
  return 0;
}

int AbortWhenCancelled(void* cancelled, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<std::atomic<bool>*>(cancelled)->load() ? 1 : 0;
}

}  // namespace

bool CMultiDownloader::UpdateDnsInfo(const std::string& url, bool flush) {
  CHostResolver& resolver = CHostResolver::Instance();
  std::wstring wideUrl = Utf8ToWide(url);
  std::string host = HostTextOf(url);
  if (url.find("://") == std::string::npos) host.clear();

  bool resolved = resolver.IsHostResolved(wideUrl);
  if (resolved && flush) {
    resolver.ClearHosts();
    int status = status_;
    SendEvent(kEventDnsCacheCleared, reinterpret_cast<intptr_t>(&status), 0, 0);
    resolved = false;
  }
  bool ok = resolved;
  if (!resolved && resolver.InitHost(wideUrl)) {
    ok = true;
    // Without an agreed size the download keeps what it knows (and probes
    // the size itself when it knows nothing yet).
    if (int64_t agreed = resolver.GetHostSize(wideUrl); agreed > 0) total_ = agreed;
    std::string utf8Host, addresses;
    if (resolver.GetHostInfo(wideUrl, &utf8Host, &addresses)) {
      // The receiver splits at the first ":", so a port stays out of it.
      std::string text = utf8Host.substr(0, utf8Host.find(':')) + ":" + addresses;
      SendEvent(kEventDnsQueried, reinterpret_cast<intptr_t>(text.c_str()), 0, 0);
    } else {
      Log(1, "[ERROR] multi, get dns info failed! url=[%s].", url.c_str());
    }
  }
  if (ok) {
    std::vector<std::string> ips;
    resolver.GetHostIps(host, &ips);
    if (SetIpList(ips)) return true;
  }
  Log(1, "[ERROR] multi, get dns info failed!");
  int reason = 2;
  SendEvent(kEventGetInfoFailed, reinterpret_cast<intptr_t>(&reason), 0, 0);
  return false;
}

bool CMultiDownloader::SetIpList(const std::vector<std::string>& ips) {
  addresses_.clear();
  for (const std::string& ip : ips) addresses_[ip] = 0;
  return !addresses_.empty();
}

std::string CMultiDownloader::PickIp() {
  auto least = addresses_.end();
  for (auto it = addresses_.begin(); it != addresses_.end(); ++it) {
    if (least == addresses_.end() || it->second < least->second) least = it;
  }
  if (least == addresses_.end()) return std::string();
  ++least->second;
  return least->first;
}

int64_t CMultiDownloader::ProbeSize(const std::string& url) {
  EnsureCurlGlobalInit();
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    Log(1, "[ERROR] multi, curl_easy_init failed!");
    return 0;
  }
  bool bodyReached = false;
  RangeTiming timing = CurrentRangeTiming();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  // Bounded like a range transfer, so a silent server can not hold the task.
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timing.connectTimeout);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timing.lowSpeedTime);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, StopAtBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bodyReached);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, AbortWhenCancelled);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &cancelled_);
  curl_slist* resolve = nullptr;
  std::string ip = PickIp();
  if (!ip.empty()) {
    resolve = PinnedResolveList(url, ip);
    curl_easy_setopt(curl, CURLOPT_RESOLVE, resolve);
  }

  int64_t size = 0;
  for (int tries = 0; tries < kProbeTries && !cancelled_; ++tries) {
    bodyReached = false;
    CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && bodyReached)) {
      curl_off_t length = -1;
      long http = 0;
      CURLcode info = curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
      if (info == CURLE_OK) info = curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &http);
      if (info != CURLE_OK) {
        Log(1, "[ERROR] multi, curl_easy_getinfo failed! error=[%d][%s].", info,
            curl_easy_strerror(info));
      }
      // The length of an error page is not the package's size.
      size = info == CURLE_OK && http >= 200 && http < 300 ? static_cast<int64_t>(length) : 0;
    } else {
      Log(1, "[ERROR] multi, curl_easy_perform failed! error=[%d][%s].", code,
          curl_easy_strerror(code));
    }
    if (size > 0) break;
    if (tries + 1 == kProbeHeadTries) curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    std::this_thread::sleep_for(kProbePause);
  }
  curl_slist_free_all(resolve);
  curl_easy_cleanup(curl);
  return size;
}

}  // namespace ns_VYN
