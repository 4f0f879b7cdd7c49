#include "engine/range_transfer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/curl_global.h"
#include "platform/system_info.h"
#include "system/log.h"

namespace ns_VYN {
namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0)";
// libcurl's receive buffer: large reads mean fewer callbacks and copies per byte.
constexpr long kReceiveBufferSize = 256 * 1024;

std::atomic<int> stallSeconds{10};
std::atomic<long> lowSpeedTime{60};
std::atomic<long> connectTimeout{10};

int64_t Now() { return platform::GetUnixTimeNow(); }

}  // namespace

void OverrideRangeTimingForTesting(const RangeTiming& timing) {
  stallSeconds = timing.stallSeconds;
  lowSpeedTime = timing.lowSpeedTime;
  connectTimeout = timing.connectTimeout;
}

RangeTiming CurrentRangeTiming() { return {stallSeconds.load(), lowSpeedTime.load(), connectTimeout.load()}; }

std::string HostTextOf(const std::string& url) {
  size_t scheme = url.find("://");
  if (scheme == std::string::npos) return std::string();
  size_t begin = scheme + 3;
  size_t slash = url.find('/', begin);
  return url.substr(begin, slash == std::string::npos ? std::string::npos : slash - begin);
}

curl_slist* PinnedResolveList(const std::string& url, const std::string& ip) {
  const std::string host = HostTextOf(url);
  if (host.empty() || ip.empty()) return nullptr;
  // A URL that names its port is pinned on that port alone; "host:port" as a
  // name would not be understood by libcurl.
  size_t colon = host.rfind(':');
  std::vector<std::string> entries;
  if (colon != std::string::npos) {
    entries.push_back(host.substr(0, colon) + ":" + host.substr(colon + 1) + ":" + ip);
  } else {
    entries.push_back(host + ":443:" + ip);
    entries.push_back(host + ":80:" + ip);
  }
  curl_slist* list = nullptr;
  for (const std::string& entry : entries) {
    curl_slist* grown = curl_slist_append(list, entry.c_str());
    if (!grown) {
      curl_slist_free_all(list);
      return nullptr;
    }
    list = grown;
  }
  return list;
}

bool ResumePairOf(const CRangeTransfer& range, int64_t* first, int64_t* last) {
  const int state = range.State();
  bool unfinished = state == kRangeNew || state == kRangeRunning || state == kRangePaused ||
                    state == kRangeCancelled || (state == kRangeFailed && !range.Rerequested());
  if (!unfinished) return false;
  *first = range.GetStart() + range.GetSaved();
  *last = range.GetEnd();
  return *first <= *last;
}

CRangeTransfer::~CRangeTransfer() {
  Cancel();
  if (thread_.joinable()) thread_.join();
  Finish();
}

bool CRangeTransfer::Init(const std::string& url, int64_t start, int64_t end, const std::string& ip,
                          const std::wstring& tempPath) {
  url_ = url;
  start_ = start;
  end_ = end;
  ip_ = ip;
  tempPath_ = tempPath;
  host_ = HostTextOf(url);
  EnsureCurlGlobalInit();
  handle_ = curl_easy_init();
  if (!handle_) {
    Log(1, "[ERROR] easy=[%p], init failed!", static_cast<void*>(this));
    // Nothing will ever run this range: end it now so that it is handled
    // like any failed range instead of counting as active for ever.
    Transition(kRangeNew, kRangeFailed);
    endTime_ = Now();
    return false;
  }
  Log(3, "[INFO] easy=[%p], init, host=[%s], range(%lld~%lld)", static_cast<void*>(this), ip.c_str(),
      (long long)start, (long long)end);
  if (!ip.empty()) resolveList_ = PinnedResolveList(url, ip);
  std::string range = "Range: bytes=" + std::to_string(start) + "-";
  if (end > 0 && end >= start) range += std::to_string(end);
  headerList_ = curl_slist_append(nullptr, range.c_str());

  curl_easy_setopt(handle_, CURLOPT_URL, url_.c_str());
  if (url_.find("http://") != std::string::npos) {
    curl_easy_setopt(handle_, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
  }
  curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headerList_);
  curl_easy_setopt(handle_, CURLOPT_RESOLVE, resolveList_);
  curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(handle_, CURLOPT_TCP_FASTOPEN, 1L);
  curl_easy_setopt(handle_, CURLOPT_TCP_NODELAY, 1L);
  curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT, connectTimeout.load());
  curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME, lowSpeedTime.load());
  curl_easy_setopt(handle_, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle_, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle_, CURLOPT_FILETIME, 1L);
  curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &CRangeTransfer::OnData);
  curl_easy_setopt(handle_, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(handle_, CURLOPT_PRIVATE, this);
  curl_easy_setopt(handle_, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle_, CURLOPT_XFERINFOFUNCTION, &CRangeTransfer::OnProgress);
  curl_easy_setopt(handle_, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(handle_, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
  return true;
}

bool CRangeTransfer::Start() {
  if (state_.load() != kRangeNew || !handle_) return false;
  startTime_ = Now();
  if ((end_.load() >= 0 || total_ > 0) && start_ > GetEnd()) {
    // An empty rest: nothing to fetch, so no request is made.
    Transition(kRangeNew, kRangeSuccess);
    endTime_ = startTime_.load();
    return true;
  }
  if (!Transition(kRangeNew, kRangeRunning)) return false;
  thread_ = std::thread([this] { Run(); });
  return true;
}

bool CRangeTransfer::Transition(int from, int to) { return state_.compare_exchange_strong(from, to); }

bool CRangeTransfer::Cancel() {
  for (int state = state_.load(); state == kRangeRunning || state == kRangePaused;) {
    lastDataTime_ = Now();
    if (state_.compare_exchange_weak(state, kRangeCancelled)) return true;
  }
  return false;
}

bool CRangeTransfer::Resume() {
  if (!Transition(kRangePaused, kRangeRunning)) return false;
  lastDataTime_ = Now();
  unpause_ = true;  // libcurl is un-paused on the range's own thread
  return true;
}

void CRangeTransfer::SetState(int state) {
  {
    std::lock_guard<std::mutex> lock(boundsMutex_);
    FlushLocked();
    buffer_.Reset();
    bufferUsed_ = 0;
  }
  for (int current = state_.load(); current != state && !IsFinalRangeState(current);) {
    if (!state_.compare_exchange_weak(current, state)) continue;
    endTime_ = Now();
    if (handle_) {
      curl_off_t speed = 0;
      if (curl_easy_getinfo(handle_, CURLINFO_SPEED_DOWNLOAD_T, &speed) == CURLE_OK) speed_ = double(speed);
    }
    LogStateChange(state);
    return;
  }
}

void CRangeTransfer::LogStateChange(int state) {
  if (state != kRangeSuccess && state != kRangeFailed) return;
  const char* format = state == kRangeSuccess
                           ? "[INFO] easy=[%p], success. range(%lld~%lld), downloaded=[%lld], undownloaded=[%lld], "
                             "saved=[%lld], speed=[%.0f B/s]."
                           : "[ERROR] easy=[%p], failed! range(%lld~%lld), downloaded=[%lld], undownloaded=[%lld], "
                             "saved=[%lld], speed=[%.0f B/s].";
  Log(state == kRangeSuccess ? 3 : 1, format, static_cast<void*>(this), (long long)start_, (long long)end_.load(),
      (long long)received_.load(), (long long)GetRemaining(), (long long)saved_.load(), speed_.load());
}

void CRangeTransfer::LowerEnd(int64_t newEnd) {
  std::lock_guard<std::mutex> lock(boundsMutex_);
  end_ = newEnd;
  const int64_t length = std::max<int64_t>(newEnd - start_ + 1, 0);
  if (received_ > length) {
    received_ = length;
    // Buffered bytes past the new end belong to the new range now.
    bufferUsed_ = std::clamp<int64_t>(length - saved_, 0, bufferUsed_);
  }
}

int64_t CRangeTransfer::GetEnd() const {
  const int64_t end = end_.load();
  return end < 0 ? total_ - 1 : end;
}

int64_t CRangeTransfer::GetRemaining() const {
  return std::max<int64_t>(GetEnd() - (start_ + received_.load()) + 1, 0);
}

std::string CRangeTransfer::GetEffectiveUrl() const {
  std::lock_guard<std::mutex> lock(effectiveUrlMutex_);
  return effectiveUrl_;
}

bool CRangeTransfer::Complete() const { return start_ + received_.load() > GetEnd(); }

bool CRangeTransfer::WriteBufferLocked() {
  if (!writer_ || bufferUsed_ <= 0 || !buffer_) return true;
  // saved + buffered == received: the buffer starts right after the saved bytes.
  if (writer_->Write(start_ + saved_, bufferUsed_, buffer_.get()) != bufferUsed_) return false;
  saved_ += bufferUsed_;
  bufferUsed_ = 0;
  return true;
}

void CRangeTransfer::WriteBuffered() {
  std::lock_guard<std::mutex> lock(boundsMutex_);
  WriteBufferLocked();
}

bool CRangeTransfer::FlushLocked() {
  if (WriteBufferLocked()) return true;
  // Bytes that did not reach the file count as not received, so the rest
  // requested again starts exactly where the file stops being complete.
  received_ -= bufferUsed_;
  bufferUsed_ = 0;
  return false;
}

size_t CRangeTransfer::OnData(char* data, size_t size, size_t count, void* self) {
  return static_cast<CRangeTransfer*>(self)->Accept(data, size * count);
}

int CRangeTransfer::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<CRangeTransfer*>(self)->Progress();
}

// Decides once, on the first bytes of the final answer, whether its body
// belongs in the file at all.
CRangeTransfer::Body CRangeTransfer::JudgeBody() {
  long code = 0;
  curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &code);
  if (code == 200 && start_ > 0) {
    // The server ignored the Range header: this body starts at byte 0 of the
    // file, not at this range's offset. Writing it here would corrupt the package.
    Log(2, "[WARN] easy=[%p], range(%lld~%lld) answered with the whole file, http code=[%ld].",
        static_cast<void*>(this), (long long)start_, (long long)end_.load(), code);
    rangeIgnored_ = true;
    return Body::kRefuse;
  }
  // An error page is not package data; the transfer thread fails the range by its code.
  return code >= 200 && code <= 299 ? Body::kAccept : Body::kDiscard;
}

size_t CRangeTransfer::Accept(const char* data, size_t size) {
  if (body_ == Body::kUnknown) body_ = JudgeBody();
  if (body_ == Body::kRefuse) {
    SetState(kRangeFailed);
    return 0;  // libcurl ends the transfer with CURLE_WRITE_ERROR
  }
  if (body_ == Body::kDiscard) return size;

  bool writeFailed = false;
  size_t accepted = 0;
  {
    std::lock_guard<std::mutex> lock(boundsMutex_);
    if (!buffer_) {
      // The range never holds more than its rest (the rest only shrinks), so
      // a short range, as most split pieces are, takes no full-size buffer.
      if (!buffer_.Allocate(size_t(std::clamp<int64_t>(GetRemaining(), 1, bufferSize_)))) {
        Log(1, "[ERROR] easy=[%p], new buf failed! size=[%d].", static_cast<void*>(this), bufferSize_);
        return size;  // dropped uncounted: the stall rule fails the range later
      }
    }
    lastDataTime_ = Now();
    accepted = size_t(std::min<int64_t>(int64_t(size), GetRemaining()));
    if (accepted > 0 && bufferUsed_ + int64_t(accepted) >= bufferSize_) {
      writeFailed = !FlushLocked();
      if (!writeFailed && int64_t(accepted) >= bufferSize_) {
        // A chunk as large as the buffer goes straight to the file.
        const int64_t written = writer_ ? writer_->Write(start_ + saved_, int64_t(accepted), data) : 0;
        writeFailed = written != int64_t(accepted);
        if (!writeFailed) {
          saved_ += written;
          received_ += written;
        }
        accepted = writeFailed ? 0 : accepted;
      } else if (!writeFailed) {
        memcpy(buffer_.get(), data, accepted);
        bufferUsed_ = int64_t(accepted);
        received_ += int64_t(accepted);
      }
    } else if (accepted > 0) {
      memcpy(buffer_.get() + bufferUsed_, data, accepted);
      bufferUsed_ += int64_t(accepted);
      received_ += int64_t(accepted);
    }
  }
  if (writeFailed) {
    SetState(kRangeFailed);
    return 0;
  }
  // Once complete the range is a success even though libcurl may end with
  // CURLE_WRITE_ERROR because the rest of the body was not taken.
  if (Complete()) SetState(kRangeSuccess);
  return accepted;
}

int CRangeTransfer::Progress() {
  if (unpause_.exchange(false) && handle_) curl_easy_pause(handle_, CURLPAUSE_CONT);
  const int state = state_.load();
  if (state == kRangeCancelled) {
    SetState(kRangeCancelled);
    return 1;
  }
  if (state != kRangeRunning) return 0;
  if (Complete()) {
    SetState(kRangeSuccess);
    return 1;
  }
  const int64_t lastData = lastDataTime_.load();
  if (lastData != 0 && Now() - lastData > stallSeconds.load()) {
    SetState(kRangeFailed);
    return 1;
  }
  return 0;
}

void CRangeTransfer::Run() {
  const CURLcode code = curl_easy_perform(handle_);
  curlCode_ = int(code);
  if (code != CURLE_OK && state_.load() == kRangeRunning) {
    Log(1, "[ERROR] easy=[%p], curl_easy_perform failed! err=[%d][%s].", static_cast<void*>(this), int(code),
        curl_easy_strerror(code));
    SetState(kRangeFailed);
  }
  long http = 0;
  curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &http);
  httpCode_ = int(http);
  if (state_.load() == kRangeRunning && http != 0 && (http < 200 || http > 299)) {
    Log(2, "[WARN] easy=[%p], http code=[%d].", static_cast<void*>(this), int(http));
    SetState(kRangeFailed);
  }
  // The body ended without an error: complete or not, this range is over,
  // and an incomplete one must have its rest requested again.
  if (state_.load() == kRangeRunning) SetState(Complete() ? kRangeSuccess : kRangeFailed);
  Log(3,
      "[INFO] easy=[%p], status=[%d], ip=[%s], tEnd(%lld)-tStart(%lld)=[%lld], range(%lld~%lld), downloaded=[%lld], "
      "undownloaded=[%lld], saved=[%lld].",
      static_cast<void*>(this), state_.load(), ip_.c_str(), (long long)endTime_.load(), (long long)startTime_.load(),
      (long long)(endTime_ - startTime_), (long long)start_, (long long)end_.load(), (long long)received_.load(),
      (long long)GetRemaining(), (long long)saved_.load());
  long verify = 0;
  if (curl_easy_getinfo(handle_, CURLINFO_SSL_VERIFYRESULT, &verify) == CURLE_OK && verify != 0) {
    Log(2, "[WARN] easy=[%p], ssl verify result=[%ld].", static_cast<void*>(this), verify);
  }
  char* effective = nullptr;
  if (curl_easy_getinfo(handle_, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective && url_ != effective) {
    {
      std::lock_guard<std::mutex> lock(effectiveUrlMutex_);
      effectiveUrl_ = effective;
    }
    Log(3, "[INFO] easy=[%p], effective url=[%s].", static_cast<void*>(this), effective);
  }
  Finish();
}

void CRangeTransfer::Finish() {
  if (handle_) curl_easy_cleanup(handle_);
  handle_ = nullptr;
  curl_slist_free_all(resolveList_);
  resolveList_ = nullptr;
  curl_slist_free_all(headerList_);
  headerList_ = nullptr;
  std::lock_guard<std::mutex> lock(boundsMutex_);  // WriteBuffered may come from another thread
  writer_ = nullptr;
}

}  // namespace ns_VYN
