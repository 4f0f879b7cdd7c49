#include "telemetry/run_stats.h"

#include "system/text_convert.h"

void RunStats::SetText(const std::string& key, const std::wstring& value) {
  std::string text = WideToAnsi(value);
  std::lock_guard<std::mutex> hold(lock_);
  values_[key] = std::move(text);
}

void RunStats::SetInt(const std::string& key, int value) {
  std::lock_guard<std::mutex> hold(lock_);
  values_[key] = IntToText(value);
}

void RunStats::SetInt64(const std::string& key, int64_t value) {
  SetInt(key, static_cast<int>(static_cast<uint32_t>(value & 0xFFFFFFFFu)));
}

std::string RunStats::Get(const std::string& key) const {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = values_.find(key);
  return it == values_.end() ? std::string() : it->second;
}

void RunStats::SetTaskFlag(int taskId, int forceFlag) {
  std::lock_guard<std::mutex> hold(lock_);
  tasks_[taskId].forceFlag = forceFlag;
}

void RunStats::SetTaskDigests(int taskId, const std::wstring& digests) {
  std::string text = WideToAnsi(digests);
  std::lock_guard<std::mutex> hold(lock_);
  tasks_[taskId].digests = std::move(text);
}

BindTaskStat RunStats::TaskRecord(int taskId) const {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = tasks_.find(taskId);
  return it == tasks_.end() ? BindTaskStat{} : it->second;
}

void RunStats::SetPlatformBase(const std::wstring& baseUrl) {
  std::lock_guard<std::mutex> hold(lock_);
  platformBase_ = baseUrl;
}

std::wstring RunStats::PlatformBase() const {
  std::lock_guard<std::mutex> hold(lock_);
  return platformBase_;
}

RunStats& TheRunStats() {
  static RunStats* stats = new RunStats();  // lives until the process ends
  return *stats;
}
