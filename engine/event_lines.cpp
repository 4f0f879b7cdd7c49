#include "engine/event_lines.h"

#include "system/text_convert.h"

namespace ns_VYN {
namespace {

std::string Join(std::initializer_list<int64_t> values) {
  std::string text;
  for (int64_t value : values) {
    if (!text.empty()) text += ' ';
    text += std::to_string(value);
  }
  return text;
}

}  // namespace

EventLines::EventLines(std::function<void(const std::string&)> sink) : sink_(std::move(sink)) {}

void EventLines::Emit(const char* slot, int taskId, const std::string& values) {
  std::string line = std::string(slot) + " " + std::to_string(taskId);
  if (!values.empty()) line += " " + values;
  std::lock_guard<std::mutex> lock(mutex_);
  sink_(line);
}

void EventLines::OnFileName(int taskId, const wchar_t* fileName) {
  Emit("OnFileName", taskId, WideToUtf8(fileName));
}
void EventLines::OnFileSize(int taskId, int64_t total) {
  Emit("OnFileSize", taskId, Join({total}));
}
void EventLines::OnProgress(int taskId, int64_t downloaded, int64_t total, int speed) {
  Emit("OnProgress", taskId, Join({downloaded, total, speed}));
}
void EventLines::OnSuccess(int taskId) { Emit("OnSuccess", taskId, ""); }
void EventLines::OnFailed(int taskId, int status) { Emit("OnFailed", taskId, Join({status})); }
void EventLines::OnRangeEvent(int taskId, int sender, int kind, int64_t value) {
  Emit("OnRangeEvent", taskId, Join({sender, kind, value}));
}
void EventLines::OnStart(int taskId) { Emit("OnStart", taskId, ""); }
void EventLines::OnRangeHost(int taskId, const std::string& address) {
  Emit("OnRangeHost", taskId, address);
}
void EventLines::OnRetry(int taskId, int attempt) { Emit("OnRetry", taskId, Join({attempt})); }
void EventLines::OnAttemptEnd(int taskId, int attempt, int status) {
  Emit("OnAttemptEnd", taskId, Join({attempt, status}));
}
void EventLines::OnFileMd5(int taskId, const std::string& digest) {
  Emit("OnFileMd5", taskId, digest);
}
void EventLines::OnMd5Match(int taskId) { Emit("OnMd5Match", taskId, ""); }
void EventLines::OnFileOpFailed(int taskId, int what, int error) {
  Emit("OnFileOpFailed", taskId, Join({what, error}));
}
void EventLines::OnGetInfoFailed(int taskId, int reason) {
  Emit("OnGetInfoFailed", taskId, Join({reason}));
}
void EventLines::OnDnsCacheCleared(int taskId, int status) {
  Emit("OnDnsCacheCleared", taskId, Join({status}));
}
void EventLines::OnDnsQueried(int taskId, const std::string& host, const std::string& addresses) {
  Emit("OnDnsQueried", taskId, host + " " + addresses);
}
void EventLines::OnPrepare(int taskId) { Emit("OnPrepare", taskId, ""); }
void EventLines::OnPlan(int taskId, int threads, int bufferSize) {
  Emit("OnPlan", taskId, Join({threads, bufferSize}));
}

}  // namespace ns_VYN
