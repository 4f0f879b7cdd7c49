#include <windows.h>
#include <restartmanager.h>

#include "platform/file_lockers.h"
#include "platform/win_error.h"

namespace platform {

bool ListFileLockers(const std::wstring& path, uint32_t maxProcesses, std::vector<FileLocker>* lockers) {
  lockers->clear();
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  DWORD result = RmStartSession(&session, 0, key);
  if (result != ERROR_SUCCESS) {
    SetLastErrorCode(result);
    return false;
  }
  LPCWSTR files[] = {path.c_str()};
  result = RmRegisterResources(session, 1, files, 0, nullptr, 0, nullptr);
  std::vector<RM_PROCESS_INFO> infos(maxProcesses);
  UINT needed = 0;
  UINT count = maxProcesses;
  DWORD reasons = RmRebootReasonNone;
  if (result == ERROR_SUCCESS) result = RmGetList(session, &needed, &count, infos.data(), &reasons);
  if (result == ERROR_SUCCESS) {
    for (UINT i = 0; i < count && i < maxProcesses; ++i) {
      lockers->push_back({infos[i].Process.dwProcessId, infos[i].strAppName});
    }
  }
  RmEndSession(session);
  if (result != ERROR_SUCCESS) SetLastErrorCode(result);
  return result == ERROR_SUCCESS;
}

}  // namespace platform
