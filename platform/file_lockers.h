#pragma once
// The Restart Manager's answer to "which processes hold this file open".
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct FileLocker {
  uint32_t processId = 0;
  std::wstring appName;  // RM_PROCESS_INFO's strAppName
};

// RmStartSession, RmRegisterResources (the one file), RmGetList for at most
// `maxProcesses` processes, RmEndSession in every case. False (last error
// set to the Restart Manager's result) when the session can not be started
// or the list can not be read; the own process is listed like any other.
// Sim: the profile's "file_lockers" {"C:\\path": [{"pid": N, "app": "name"}]}.
bool ListFileLockers(const std::wstring& path, uint32_t maxProcesses, std::vector<FileLocker>* lockers);

}  // namespace platform
