#pragma once
// Processes: starting programs through the shell (ShellExecuteExW) or
// directly (CreateProcessW), process handles with waits, exit codes and
// termination, the error mode, and a snapshot of running processes.
//
// In the sim backend a Windows executable path names a host program:
//   1. the profile's "programs" map (Windows path, case-blind -> host path);
//   2. otherwise the sandbox file itself when the host can execute it (an
//      ELF file or a "#!" script with its execute bit set), so a package
//      downloaded into the sandbox really runs.
// A bare name ("cleanmgr") is looked up in the folders of the machine's
// "Path" variable, with ".exe" appended when it has no extension. The
// parameters, a Windows command-line tail, are split by the Windows rules
// into the host program's arguments; its first argument is the host path.
// Children share the parent's simulated machine.
//
// Exit codes: Windows keeps 32 bits, a POSIX exit status only 8. Each sim
// child gets the environment variable KIV_SIM_EXIT_CODE_FILE naming a host
// file; a child that wants to report a full 32-bit code writes it there in
// decimal (ExitCurrentProcess does so; a script can "echo" it) before it
// exits. The parent takes the file's code when its low 8 bits agree with
// the exit status, else the 8-bit status. A child ended by a signal reads
// as 0xC0000005 (SIGSEGV, SIGBUS), 3 (SIGABRT, as abort() on Windows) or
// 0xC000013A (any other signal); one ended with Terminate reads as the code
// given to Terminate.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

inline constexpr uint32_t kStillActive = 259;    // STILL_ACTIVE
inline constexpr uint32_t kWaitInfinite = 0xFFFFFFFFu;

enum class WaitResult { kSignaled, kTimeout, kFailed };

// A process handle (OpenProcess / PROCESS_INFORMATION.hProcess). Destroying
// it closes the handle; the process itself goes on running.
class Process {
 public:
  virtual ~Process() = default;
  virtual uint32_t Id() const = 0;
  // WaitForSingleObject on the handle.
  virtual WaitResult Wait(uint32_t timeoutMs) = 0;
  // GetExitCodeProcess: kStillActive while the process runs.
  virtual bool GetExitCode(uint32_t* exitCode) = 0;
  // TerminateProcess: ends the process; its exit code becomes `exitCode`.
  // False (kErrorAccessDenied) when it has already ended.
  virtual bool Terminate(uint32_t exitCode) = 0;
};

// SHELLEXECUTEINFOW without an owner window.
struct ShellExecuteRequest {
  std::wstring verb;        // empty: the file type's default action; "open", "runas", ...
  std::wstring file;        // program, document or URL
  std::wstring parameters;  // command-line tail for a program
  std::wstring directory;   // working folder; empty: the caller's
  int show = 1;             // SW_* show command (windowing.h), 1: SW_SHOWNORMAL
  bool wantProcess = false; // SEE_MASK_NOCLOSEPROCESS
};

struct ShellExecuteResult {
  // hInstApp: greater than 32 on success, else an SE_ERR_* code.
  intptr_t instApp = 0;
  // The started process when wantProcess was set and a process was started;
  // null when the shell handled the file without one (a URL, a document).
  std::unique_ptr<Process> process;
};

// ShellExecuteExW. False on failure with the thread's last error set (for
// example kErrorCancelled when the user declines the elevation prompt of
// "runas", kErrorFileNotFound for a missing file).
// Sim: URLs and files that are not programs are recorded in the journal
// ("shell_open": verb, file, parameters, show) and succeed with instApp 42
// without a process; every started program is recorded as "process_start";
// the profile's "elevation": "decline" refuses "runas".
bool ShellExecuteFile(const ShellExecuteRequest& request, ShellExecuteResult* result);

// CreateProcessW(NULL, commandLine, ...). The program is the command line's
// first argument (".exe" appended when it has no extension).
struct ProcessStart {
  std::wstring commandLine;
  std::wstring directory;       // empty: the caller's
  bool inheritHandles = false;  // bInheritHandles
  bool noWindow = false;        // CREATE_NO_WINDOW
  int show = 1;                 // STARTF_USESHOWWINDOW with this SW_* command
};
// The new process, or null with the thread's last error set.
std::unique_ptr<Process> StartProcess(const ProcessStart& start);

// SetErrorMode: sets the process's error mode and returns the previous one.
enum ErrorModeFlags : uint32_t {
  kSemFailCriticalErrors = 0x0001,
  kSemNoGpFaultErrorBox = 0x0002,
  kSemNoOpenFileErrorBox = 0x8000,
};
uint32_t SetProcessErrorMode(uint32_t mode);

// ExitProcess: ends the calling process with a 32-bit exit code.
[[noreturn]] void ExitCurrentProcess(uint32_t exitCode);

struct ProcessEntry {
  uint32_t id = 0;
  // Full Windows path of the process's image; empty when the process can
  // not be opened to read it.
  std::wstring imagePath;
};
// The calling process's id is CurrentProcessId() of system_info.h.

// CreateToolhelp32Snapshot over all processes, with each one's image path
// (QueryFullProcessImageNameW). Sim: this process (with the profile's
// "self_path") and the live processes started in this sandbox.
bool SnapshotProcesses(std::vector<ProcessEntry>* processes);

}  // namespace platform
