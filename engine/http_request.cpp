#include "engine/http_request.h"

#include <curl/curl.h>

#include <mutex>

#include "engine/content_length.h"
#include "engine/curl_global.h"
#include "engine/engine_deployment.h"
#include "system/log.h"
#include "system/text_convert.h"

namespace ns_VYN {
namespace {

constexpr long kConnectSeconds = 5;
constexpr long kRequestSeconds = 5;
constexpr long kUploadSeconds = 10;

std::mutex caMutex;
std::string& CaFileSetting() {
  static std::string path = deployment::kServiceCaFile;
  return path;
}

std::string ServiceCaFile() {
  std::lock_guard<std::mutex> lock(caMutex);
  return CaFileSetting();
}

size_t AppendChunk(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

curl_slist* HeaderList(const std::vector<std::string>& headers) {
  curl_slist* list = nullptr;
  for (const auto& header : headers) list = curl_slist_append(list, header.c_str());
  return list;
}

void RemoveCrLf(std::string* text) {
  size_t out = 0;
  for (size_t in = 0; in < text->size(); ++in) {
    if ((*text)[in] == '\r' && in + 1 < text->size() && (*text)[in + 1] == '\n') {
      ++in;
      continue;
    }
    (*text)[out++] = (*text)[in];
  }
  text->resize(out);
}

// Options that every service request shares: redirects,
// IPv4, time limits, and certificate verification (libcurl's default) against
// the configured authorities.
void SetCommonOptions(CURL* curl, const std::string& url, curl_slist* headers, long totalSeconds) {
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_IPRESOLVE, static_cast<long>(CURL_IPRESOLVE_V4));
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, totalSeconds);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  std::string caFile = ServiceCaFile();
  if (!caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.c_str());
}

// Performs the transfer and reports its outcome through *resultCode; the
// status query only proves that an answer arrived, its value is not used.
// A transfer that the body sink stopped on purpose is not a failure.
void Perform(CURL* curl, const char* what, const bool* stoppedOnPurpose, int* resultCode) {
  CURLcode code = curl_easy_perform(curl);
  *resultCode = static_cast<int>(code);
  if (code == CURLE_WRITE_ERROR && stoppedOnPurpose && *stoppedOnPurpose) return;
  if (code != CURLE_OK) {
    Log(1, "[ERROR] %s, curl easy perform failed, code=[%d].", what, *resultCode);
    return;
  }
  long status = 0;
  *resultCode = static_cast<int>(curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status));
  if (*resultCode != CURLE_OK) Log(1, "[ERROR] %s, curl easy getinfo failed, code=[%d].", what, *resultCode);
}

struct RequestArgs {
  int method;
  const std::wstring& url;
  const std::vector<std::string>& headers;
  bool forceHttp10;
  bool captureHeaders;
  const std::string& body;
  bool headersOnly;  // stop at the first body byte: only the header block is wanted
};

struct BodySink {
  std::string text;
  bool headersOnly = false;
  bool stopped = false;
};

size_t AppendBody(char* data, size_t size, size_t count, void* target) {
  auto* sink = static_cast<BodySink*>(target);
  if (sink->headersOnly) {
    sink->stopped = true;
    return 0;  // every hop's headers have arrived once the final body begins
  }
  sink->text.append(data, size * count);
  return size * count;
}

std::string Request(const RequestArgs& args, int* resultCode) {
  EnsureCurlGlobalInit();
  CURL* curl = curl_easy_init();
  if (!curl) {
    Log(1, "[ERROR] curl request, curl init failed!");
    return std::string();
  }
  curl_slist* list = HeaderList(args.headers);
  if (args.forceHttp10) curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  std::string headerText;
  if (args.captureHeaders) {
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, AppendChunk);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &headerText);
  }
  if (args.method == kCurlHead) {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  } else if (args.method == kCurlPost) {
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, args.body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(args.body.size()));
  }
  BodySink sink;
  sink.headersOnly = args.headersOnly;
  // An unconvertible URL becomes empty, and libcurl then refuses it.
  SetCommonOptions(curl, WideToUtf8Strict(args.url), list, kRequestSeconds);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
  Perform(curl, "curl request", &sink.stopped, resultCode);
  curl_slist_free_all(list);
  curl_easy_cleanup(curl);
  RemoveCrLf(&sink.text);
  return headerText + sink.text;
}

}  // namespace

void SetServiceCaFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(caMutex);
  CaFileSetting() = path;
}

std::string CurlRequest(int method, const std::wstring& url, const std::vector<std::string>& headers,
                        bool forceHttp10, bool captureHeaders, const std::string& body, int* resultCode) {
  return Request({method, url, headers, forceHttp10, captureHeaders, body, false}, resultCode);
}

std::string CurlFormDataRequest(const std::string& url, const std::vector<std::string>& headers,
                                const std::string& filePath, int* resultCode) {
  EnsureCurlGlobalInit();
  CURL* curl = curl_easy_init();
  if (!curl) {
    Log(1, "[ERROR] curl form data request, curl init failed!");
    return std::string();
  }
  curl_slist* list = HeaderList(headers);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_mime* form = curl_mime_init(curl);
  curl_mimepart* part = curl_mime_addpart(form);
  curl_mime_name(part, "file");
  curl_mime_filedata(part, filePath.c_str());  // an unreadable file fails the transfer
  curl_easy_setopt(curl, CURLOPT_MIMEPOST, form);
  std::string bodyText;
  SetCommonOptions(curl, url, list, kUploadSeconds);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendChunk);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bodyText);
  Perform(curl, "curl form data request", nullptr, resultCode);
  curl_slist_free_all(list);
  curl_mime_free(form);
  curl_easy_cleanup(curl);
  RemoveCrLf(&bodyText);
  return bodyText;
}

int64_t GetRemoteFileSize(const std::wstring& url, const std::wstring& host) {
  std::vector<std::string> headers = {"connection: close", "Cache-Control: no-cache", "Pragma: no-cache"};
  if (!host.empty()) headers.push_back("Host: " + WideToUtf8(host));
  // HEAD first; GET only when HEAD gives no usable header. The GET stops at
  // the body, so a probe never pulls a package into memory; a GET cut off by
  // the time limit still yields its header block, so no code is judged.
  for (int method : {kCurlHead, kCurlGet}) {
    int code = 0;
    std::string answer = Request({method, url, headers, false, true, std::string(), true}, &code);
    std::string value;
    if (!LastContentLengthText(answer, &value)) continue;
    int64_t size = ParseContentLength(value);
    if (size == 0 && value.find_first_not_of(" +0") != std::string::npos) {
      Log(2, "[WARN] remote file size, bad content length=[%s], url=[%s].", value.c_str(), WideToAnsi(url).c_str());
    }
    return size;
  }
  return 0;
}

}  // namespace ns_VYN
