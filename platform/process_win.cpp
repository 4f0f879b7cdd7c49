// Processes through the Win32 API: ShellExecuteExW, CreateProcessW, process
// handles, SetErrorMode, ExitProcess and a Toolhelp snapshot. Failures leave
// the thread's last error as Windows set it.
#include "platform/process.h"

#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include "platform/win/scoped_handle.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class WinProcess : public Process {
 public:
  WinProcess(HANDLE handle, uint32_t id) : handle_(handle), id_(id) {}

  uint32_t Id() const override { return id_; }

  WaitResult Wait(uint32_t timeoutMs) override {
    switch (WaitForSingleObject(handle_.get(), timeoutMs)) {
      case WAIT_OBJECT_0:
        return WaitResult::kSignaled;
      case WAIT_TIMEOUT:
        return WaitResult::kTimeout;
      default:
        return WaitResult::kFailed;
    }
  }

  bool GetExitCode(uint32_t* exitCode) override {
    DWORD code = 0;
    if (!GetExitCodeProcess(handle_.get(), &code)) return false;
    *exitCode = code;
    return true;
  }

  // Windows refuses to terminate a process that has already ended (access
  // denied); Wine 8 reports success, so the ended state is checked first.
  bool Terminate(uint32_t exitCode) override {
    if (WaitForSingleObject(handle_.get(), 0) == WAIT_OBJECT_0) {
      SetLastErrorCode(kErrorAccessDenied);
      return false;
    }
    return TerminateProcess(handle_.get(), exitCode) != FALSE;
  }

 private:
  win::ScopedHandle handle_;
  uint32_t id_;
};

const wchar_t* NullIfEmpty(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

// The full Win32 path of a process's image; empty when it can not be read.
std::wstring ImagePathOf(DWORD processId) {
  win::ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process.valid()) return L"";
  std::wstring path(32768, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) size = 0;
  path.resize(size);
  return path;
}

}  // namespace

bool ShellExecuteFile(const ShellExecuteRequest& request, ShellExecuteResult* result) {
  result->process.reset();
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // Failures come back to the caller, which logs them; the shell shows no
  // error box of its own, which would block an unattended run.
  info.fMask = SEE_MASK_FLAG_NO_UI | (request.wantProcess ? SEE_MASK_NOCLOSEPROCESS : 0);
  info.lpVerb = NullIfEmpty(request.verb);
  info.lpFile = request.file.c_str();
  info.lpParameters = NullIfEmpty(request.parameters);
  info.lpDirectory = NullIfEmpty(request.directory);
  info.nShow = request.show;
  BOOL ok = ShellExecuteExW(&info);
  result->instApp = reinterpret_cast<intptr_t>(info.hInstApp);
  if (!ok) return false;
  // A file the shell handed to a running program (a URL, a document opened
  // through DDE) gives no process handle.
  if (request.wantProcess && info.hProcess) {
    result->process = std::make_unique<WinProcess>(info.hProcess, GetProcessId(info.hProcess));
  }
  return true;
}

std::unique_ptr<Process> StartProcess(const ProcessStart& start) {
  if (start.commandLine.empty()) {
    SetLastErrorCode(kErrorInvalidParameter);
    return nullptr;
  }
  // CreateProcessW may write into the command line, so it gets its own copy.
  std::wstring commandLine = start.commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(start.show);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, start.inheritHandles ? TRUE : FALSE,
                      start.noWindow ? CREATE_NO_WINDOW : 0, nullptr, NullIfEmpty(start.directory), &startup,
                      &started)) {
    return nullptr;
  }
  CloseHandle(started.hThread);
  return std::make_unique<WinProcess>(started.hProcess, started.dwProcessId);
}

uint32_t SetProcessErrorMode(uint32_t mode) { return SetErrorMode(mode); }

void ExitCurrentProcess(uint32_t exitCode) { ExitProcess(exitCode); }

bool SnapshotProcesses(std::vector<ProcessEntry>* processes) {
  processes->clear();
  win::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    processes->push_back({entry.th32ProcessID, ImagePathOf(entry.th32ProcessID)});
  }
  return true;
}

}  // namespace platform
