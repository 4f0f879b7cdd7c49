#include "system/process_launch.h"

#include <memory>
#include <mutex>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/win_error.h"
#include "platform/windowing.h"
#include "system/dotnet.h"
#include "system/log.h"
#include "system/registry_read.h"
#include "system/text_convert.h"
#include "system/url_text.h"

namespace {

constexpr size_t kCommandBufferChars = 260;  // the command line and its terminator
constexpr size_t kRegPathChars = 259;
constexpr uint32_t kEndedByLimitExitCode = 0xFFFFFFFFu;  // -1
constexpr uint32_t kProbeErrorMode =
    platform::kSemFailCriticalErrors | platform::kSemNoGpFaultErrorBox | platform::kSemNoOpenFileErrorBox;
const wchar_t kDotNetKey[] = L"SOFTWARE\\Microsoft\\.NETFramework\\";
const wchar_t kNoGuiFromShim[] = L"NoGuiFromShim";
const wchar_t kAppPathsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const wchar_t kOperaCommandKey[] = L"Applications\\opera.exe\\shell\\open\\command";

std::mutex recorderMutex;
std::function<void(int64_t, int)> urlOpenRecorder;

// Windows 6.0 (Vista) and later ask for elevation through the consent prompt.
const wchar_t* RunVerb() {
  platform::OsVersionNumbers version;
  return platform::GetVersionInformation(&version) && version.major >= 6 ? L"runas" : L"open";
}

// The App Paths default value of `exe` when it names an existing file.
bool AppPathOf(const std::wstring& exe, platform::RegView view, std::wstring* path) {
  return system_registry::ReadRegString(platform::RegRoot::kLocalMachine, kAppPathsKey + exe, view, false, L"",
                                        kRegPathChars, path) &&
         platform::FileExists(*path);
}

// The program path inside Opera's shell command: from the second character
// up to the next quotation mark, or the whole value when there is none.
std::wstring OperaPath() {
  std::wstring command;
  if (!system_registry::ReadRegString(platform::RegRoot::kClassesRoot, kOperaCommandKey, platform::RegView::kDefault,
                                      false, L"", kRegPathChars, &command)) {
    return L"";
  }
  size_t quote = command.empty() ? std::wstring::npos : command.find(L'"', 1);
  std::wstring path = quote == std::wstring::npos ? command : command.substr(1, quote - 1);
  return platform::FileExists(path) ? path : L"";
}

int ShellOpen(const wchar_t* verb, const std::wstring& file, const std::wstring& parameters) {
  platform::ShellExecuteRequest request;
  request.verb = verb;
  request.file = file;
  request.parameters = parameters;
  request.show = platform::kSwShowNoActivate;
  platform::ShellExecuteResult result;
  platform::ShellExecuteFile(request, &result);
  return static_cast<int>(result.instApp);
}

}  // namespace

int RunExe(const std::wstring& path, const std::wstring& parameters, bool skipLock) {
  Log(3, "[INFO] RunExe: \n path=[%s] \n param=[%s] \n hide=[%d], block=[%d].", WideToAnsi(path).c_str(),
      WideToAnsi(parameters).c_str(), 0, 1);
  std::unique_ptr<platform::File> lock;
  if (!skipLock) {
    lock = platform::OpenFile(path, platform::kAccessRead, platform::kShareRead,
                              platform::FileDisposition::kOpenExisting);
    if (!lock) {
      Log(1, "[ERROR] RunExe failed! err=[%d]", static_cast<int>(platform::GetLastErrorCode()));
      return kRunExeLockFailed;
    }
  }
  platform::ShellExecuteRequest request;
  request.verb = RunVerb();
  request.file = path;
  request.parameters = parameters;
  request.show = platform::kSwShowNormal;
  request.wantProcess = true;
  platform::ShellExecuteResult result;
  if (!platform::ShellExecuteFile(request, &result) || !result.process) {
    Log(1, "[ERROR] RunExe not started! ret=[%d], err=[%d]", static_cast<int>(result.instApp),
        static_cast<int>(platform::GetLastErrorCode()));
    return kRunExeNotStarted;
  }
  result.process->Wait(platform::kWaitInfinite);
  uint32_t exitCode = kEndedByLimitExitCode;
  result.process->GetExitCode(&exitCode);
  int ret = static_cast<int>(exitCode);
  Log(3, "[INFO] RunExe ret=[%d].", ret);
  return ret;
}

bool RunHiddenAndWait(const std::wstring& commandLine) { return RunHiddenAndWait(commandLine, kHiddenRunLimitMs); }

bool RunHiddenAndWait(const std::wstring& commandLine, uint32_t limitMs) {
  platform::ProcessStart start;
  start.commandLine = commandLine.substr(0, kCommandBufferChars - 1);
  start.inheritHandles = true;
  start.noWindow = true;
  start.show = platform::kSwHide;
  std::unique_ptr<platform::Process> process = platform::StartProcess(start);
  if (!process) return false;
  if (process->Wait(limitMs) == platform::WaitResult::kTimeout) {
    process->Terminate(kEndedByLimitExitCode);
    process->Wait(platform::kWaitInfinite);
  }
  uint32_t exitCode = kEndedByLimitExitCode;
  return process->GetExitCode(&exitCode) && exitCode == 0;
}

bool RunDotNetProbe(const std::wstring& commandLine) {
  if (commandLine.empty() || !HasDotNet2Policy()) return false;
  std::unique_ptr<platform::RegKey> key;
  bool added = false;
  if (platform::OpenRegKey(platform::RegRoot::kLocalMachine, kDotNetKey, platform::kRegAll,
                           platform::RegView::kDefault, false, &key) == platform::kErrorSuccess) {
    platform::RegValue value;
    uint32_t noGui = 0;
    if (key->QueryValue(kNoGuiFromShim, &value, sizeof noGui) != platform::kErrorSuccess ||
        !platform::RegValueDword(value, &noGui)) {
      noGui = 0;  // missing reads as 0
    }
    added = noGui == 0 && key->SetValue(kNoGuiFromShim, platform::MakeRegDword(1)) == platform::kErrorSuccess;
  }
  uint32_t previousMode = platform::SetProcessErrorMode(kProbeErrorMode);
  bool ok = RunHiddenAndWait(commandLine);
  platform::SetProcessErrorMode(previousMode);
  if (added) key->DeleteValue(kNoGuiFromShim);
  return ok;
}

std::wstring FindPreferredBrowser() {
  for (const wchar_t* exe : {L"chrome.exe", L"firefox.exe", L"Safari.exe"}) {
    std::wstring path;
    if (AppPathOf(exe, platform::RegView::kDefault, &path) || AppPathOf(exe, platform::RegView::k32, &path)) {
      return path;
    }
  }
  return OperaPath();
}

bool OpenUrlInBrowser(const std::wstring& url, bool recordInStatistics) {
  if (!IsHttpUrl(url)) {
    Log(2, "[WARN] browser open refused, not an http url=[%s].", WideToAnsi(url).c_str());
    return false;
  }
  std::wstring browser = FindPreferredBrowser();
  int ret;
  if (!browser.empty()) {
    ret = ShellOpen(L"", browser, url);
    Log(3, "[INFO] priority browser open url=[%s], ret=[%d].", WideToAnsi(url).c_str(), ret);
  } else {
    ret = ShellOpen(L"Open", url, L"");
    Log(3, "[INFO] browser open url=[%s], ret=[%d].", WideToAnsi(url).c_str(), ret);
  }
  if (recordInStatistics) {
    std::function<void(int64_t, int)> recorder;
    {
      std::lock_guard<std::mutex> lock(recorderMutex);
      recorder = urlOpenRecorder;
    }
    if (recorder) recorder(platform::GetUnixTimeNow(), ret);
  }
  return ret > 32;
}

void SetUrlOpenRecorder(std::function<void(int64_t unixTime, int shellResult)> recorder) {
  std::lock_guard<std::mutex> lock(recorderMutex);
  urlOpenRecorder = std::move(recorder);
}

void BringProcessWindowToFront(uint32_t processId) {
  for (platform::WindowHandle window : platform::EnumTopLevelWindows()) {
    if (platform::GetWindowProcessId(window) != processId) continue;
    platform::WindowHandle top = window;
    for (platform::WindowHandle owner = platform::GetWindowOwner(top);
         owner != 0 && platform::IsWindowVisibleNow(owner); owner = platform::GetWindowOwner(top)) {
      top = owner;
    }
    if (!platform::IsWindowVisibleNow(top)) continue;
    platform::SetForegroundWindowTo(top);
    platform::ShowWindowAs(top, platform::kSwShowNormal);
    platform::SetFocusTo(top);
    return;
  }
}
