#pragma once
// Starting other programs: installer packages run elevated and waited for,
// hidden probes with a time limit, the .NET probe on old systems, web pages
// in the preferred browser, and bringing another process's window to the
// front. All calls block the calling thread and keep no state.
#include <cstdint>
#include <functional>
#include <string>

// RunExe's result when the shell started no process, so no exit code exists
// (the user declined the elevation prompt, the file is not a program): the
// shell's failure is logged and this value is returned instead.
inline constexpr int kRunExeNotStarted = -2;
// RunExe's result when the package can not be opened to lock it.
inline constexpr int kRunExeLockFailed = -1;

// Runs `path` with `parameters` through the shell ("runas" on Windows 6.0 and
// later, else "open") and waits without a time limit for its exit code.
// Unless `skipLock`, the file is held open for reading, sharing only reading,
// until the program has ended, so that nothing can replace or delete it
// meanwhile. Returns the exit code, kRunExeLockFailed or kRunExeNotStarted.
int RunExe(const std::wstring& path, const std::wstring& parameters, bool skipLock);

// The longest a hidden run may take before it is ended.
inline constexpr uint32_t kHiddenRunLimitMs = 20000;
// Runs the command line (at most 259 characters) in a hidden process and
// waits for it up to kHiddenRunLimitMs, ending it with exit code -1 after
// that. True only when it started and ended with exit code 0.
bool RunHiddenAndWait(const std::wstring& commandLine);
// The same with another limit (lets tests see the limit without its wait).
bool RunHiddenAndWait(const std::wstring& commandLine, uint32_t limitMs);

// RunHiddenAndWait for the .NET Framework probe on systems before Windows
// 6.0: false at once for an empty command line or without the .NET 2.0
// policy. During the probe the .NET loader's NoGuiFromShim is set to 1 (and
// removed afterwards when it had been 0 or missing) and system error boxes
// are suppressed, so that a failing probe shows no dialog.
bool RunDotNetProbe(const std::wstring& commandLine);

// The first installed browser of Chrome, Firefox, Safari (App Paths in the
// registry) and Opera (its shell command); empty when none is installed.
std::wstring FindPreferredBrowser();

// Opens an http or https URL in the preferred browser, else with the
// system's default handler; other URLs are refused (logged, false). True
// when the shell reports success. With `recordInStatistics` the opening is
// handed to the URL-open recorder.
bool OpenUrlInBrowser(const std::wstring& url, bool recordInStatistics);

// The run statistics live above this layer: whoever keeps them connects
// this recorder (Unix time of the opening, the shell's result code), and
// OpenUrlInBrowser calls it when asked to record. No recorder: nothing is
// recorded.
void SetUrlOpenRecorder(std::function<void(int64_t unixTime, int shellResult)> recorder);

// Brings the first visible top-level window of the process (climbed to its
// outermost visible owner) to the foreground, shows it normally and gives
// it the focus. Nothing happens when the process has no visible window.
void BringProcessWindowToFront(uint32_t processId);
