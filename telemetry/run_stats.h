#pragma once
// The process-wide run-statistics store: a flat record of how the run went,
// written by every subsystem under fixed keys and reported when the run ends.
// Every operation takes the statistics lock and may be called from any thread.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

// Results per dependent-product task; zero when unset.
struct BindTaskStat {
  int forceFlag = 0;
  // The item's non-empty digests joined by "," (ANSI code page).
  std::string digests;
};

class RunStats {
 public:
  // The value converted to the ANSI code page.
  void SetText(const std::string& key, const std::wstring& value);
  // Written as an unsigned 32-bit decimal: -1 is stored as 4294967295.
  void SetInt(const std::string& key, int value);
  // Only the low 32 bits, as unsigned decimal.
  void SetInt64(const std::string& key, int64_t value);
  // The stored text, or empty when the key was never written.
  std::string Get(const std::string& key) const;

  void SetTaskFlag(int taskId, int forceFlag);
  // Stored converted to the ANSI code page.
  void SetTaskDigests(int taskId, const std::wstring& digests);
  BindTaskStat TaskRecord(int taskId) const;

  // Base URL of the platform service that receives the report.
  void SetPlatformBase(const std::wstring& baseUrl);
  std::wstring PlatformBase() const;

 private:
  mutable std::mutex lock_;
  std::map<std::string, std::string> values_;
  std::map<int, BindTaskStat> tasks_;
  std::wstring platformBase_;
};

RunStats& TheRunStats();
