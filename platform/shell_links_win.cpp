// Shell links through IShellLinkW and IPersistFile; the shell's delete
// through SHFileOperationW.
#include "platform/shell_links.h"

#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>

#include "platform/win_error.h"

namespace platform {
namespace {

// A failed COM call's result as the thread's last error: the Win32 code when
// the HRESULT wraps one, else the HRESULT itself.
bool FailWith(HRESULT result) {
  uint32_t code = static_cast<uint32_t>(result);
  SetLastErrorCode(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : code);
  return false;
}

}  // namespace

bool SaveShellLink(const std::wstring& linkPath, const std::wstring& targetPath,
                   const std::wstring& workingDirectory) {
  IShellLinkW* link = nullptr;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    reinterpret_cast<void**>(&link));
  if (FAILED(result)) return FailWith(result);
  IPersistFile* file = nullptr;
  result = link->SetPath(targetPath.c_str());
  if (SUCCEEDED(result)) result = link->SetWorkingDirectory(workingDirectory.c_str());
  if (SUCCEEDED(result)) result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (SUCCEEDED(result)) {
    result = file->Save(linkPath.c_str(), TRUE);
    file->Release();
  }
  link->Release();
  return SUCCEEDED(result) || FailWith(result);
}

bool ShellDeleteFile(const std::wstring& path) {
  // pFrom is a list of names, each ended by a NUL, the list by one more.
  std::wstring from = path + L'\0';
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
  int result = SHFileOperationW(&operation);
  if (result != 0 || operation.fAnyOperationsAborted) {
    // The shell's own result code (often a Win32 code), or "cancelled".
    SetLastErrorCode(result != 0 ? static_cast<uint32_t>(result) : kErrorCancelled);
    return false;
  }
  return true;
}

}  // namespace platform
