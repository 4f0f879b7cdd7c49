#pragma once
// The simulated machine behind the sim backend: its profile, its sandbox and
// the mapping of Windows paths onto the sandbox. Internal to platform/sim.
#include <cjson/cJSON.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace platform::sim {

struct DriveSpec {
  char letter = 'C';
  std::string type = "fixed";
  int64_t quotaBytes = -1;  // -1: no quota, the host's free space counts
};

class Machine {
 public:
  // Loads the profile (built-in merged with `overrideJson`) and prepares the
  // sandbox: drive folders and the standard folders of the profile.
  bool Load(const std::string& overrideJson, const std::string& sandbox, std::string* error);

  const std::string& Sandbox() const { return sandbox_; }
  // Profile member by dotted path ("os.major"); nullptr when absent.
  const cJSON* Item(const std::string& dottedPath) const;
  int64_t Int(const std::string& dottedPath, int64_t fallback) const;
  bool Bool(const std::string& dottedPath, bool fallback) const;
  std::string Text(const std::string& dottedPath, const std::string& fallback) const;

  const std::vector<DriveSpec>& Drives() const { return drives_; }
  const DriveSpec* Drive(wchar_t letter) const;
  // Environment of the simulated process: derived from the OS bitness, then
  // the profile's "env" (null removes a variable). Names compare case-blind.
  const std::map<std::wstring, std::wstring>& Env() const { return env_; }
  // SetEnvironmentVariableW on the simulated process (null removes), under
  // MachineMutex. Child processes still take theirs from the profile.
  void SetEnv(const std::wstring& name, const wchar_t* value);

  ~Machine();

 private:
  std::string sandbox_;
  cJSON* profile_ = nullptr;
  std::vector<DriveSpec> drives_;
  std::map<std::wstring, std::wstring> env_;
  void DeriveEnv();
  void ReplaceEnv(const std::wstring& name, const wchar_t* value);  // names case-blind
};

// The process's machine, loaded on first use from KIV_SIM_PROFILE and
// KIV_SIM_SANDBOX. The returned reference stays valid until UseMachine.
Machine& TheMachine();
// Serialises access to the machine state that can be switched by UseMachine.
std::mutex& MachineMutex();

// "C:\\x\\y" -> "<sandbox>/C/x/y". Components are matched case-blind against
// what exists on the host, as Windows does. False (kErrorPathNotFound or
// kErrorInvalidDrive set) when the path has no drive of the profile.
bool HostPathOf(const std::wstring& winPath, std::string* hostPath);
// Inverse of HostPathOf for paths inside the sandbox; empty otherwise.
std::wstring WinPathOf(const std::string& hostPath);

// Appends one JSON object line to the journal (cross-process safe).
void AppendJournal(const std::string& kind, const std::vector<std::pair<std::string, std::string>>& fields);

// UTF-8 <-> wide text for host paths and profile texts (wchar_t is UTF-32 here).
std::string Utf8Of(const std::wstring& text);
std::wstring WideOf(const std::string& utf8);

// POSIX errno -> Windows error code.
uint32_t WinErrorOf(int posixErrno);

}  // namespace platform::sim
