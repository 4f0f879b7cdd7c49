// Processes of the simulated machine: Windows program paths resolved to host
// programs, started with posix_spawn, followed through a pidfd. See
// process.h for the mapping and the exit-code transport.
#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cjson/cJSON.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cwctype>
#include <dirent.h>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/command_line.h"
#include "platform/sim/host_process.h"
#include "platform/sim/machine.h"
#include "platform/system_info.h"
#include "platform/win_error.h"

extern char** environ;

namespace platform {
namespace {

constexpr const char* kExitCodeFileVariable = "KIV_SIM_EXIT_CODE_FILE";
constexpr intptr_t kShellSuccess = 42;
constexpr intptr_t kSeErrFileNotFound = 2;
constexpr intptr_t kSeErrPathNotFound = 3;
constexpr intptr_t kSeErrAccessDenied = 5;
constexpr intptr_t kSeErrBadFormat = 11;
constexpr intptr_t kSeErrNoAssociation = 31;
constexpr uint32_t kErrorBadExeFormat = 193;
constexpr uint32_t kErrorNoAssociation = 1155;
constexpr uint32_t kStatusAccessViolation = 0xC0000005u;
constexpr uint32_t kStatusControlCExit = 0xC000013Au;
constexpr uint32_t kAbortExitCode = 3;

std::atomic<uint32_t> errorMode{0};

// Through syscall(): the C library of the build host may lack the wrappers.
int OpenPidfd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }
int SignalPidfd(int pidfd, int sig) { return static_cast<int>(syscall(SYS_pidfd_send_signal, pidfd, sig, nullptr, 0)); }

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

std::wstring ExtensionOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return L"";
  return Lower(path.substr(dot));
}

bool IsUrl(const std::wstring& file) {
  size_t colon = file.find(L':');
  if (colon == std::wstring::npos || colon < 2) return false;  // "C:\\..." is a drive
  for (size_t i = 0; i < colon; ++i) {
    if (!iswalnum(file[i]) && file[i] != L'+' && file[i] != L'-' && file[i] != L'.') return false;
  }
  return true;
}

// ---- resolving a Windows program path ----

enum class Found { kMissing, kDocument, kProgram };

struct Resolved {
  Found found = Found::kMissing;
  std::wstring winPath;
  std::string hostPath;
};

std::optional<std::string> MappedProgram(const std::wstring& winPath) {
  const cJSON* programs = sim::TheMachine().Item("programs");
  std::wstring wanted = Lower(winPath);
  for (const cJSON* p = programs ? programs->child : nullptr; p; p = p->next) {
    if (cJSON_IsString(p) && Lower(sim::WideOf(p->string)) == wanted) return std::string(p->valuestring);
  }
  return std::nullopt;
}

bool HostCanExecute(const std::string& hostPath) {
  struct stat st;
  if (stat(hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || access(hostPath.c_str(), X_OK) != 0) return false;
  char magic[4] = {};
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  ssize_t n = read(fd, magic, sizeof magic);
  close(fd);
  return (n == 4 && memcmp(magic, "\x7f" "ELF", 4) == 0) || (n >= 2 && magic[0] == '#' && magic[1] == '!');
}

Resolved ResolveExact(const std::wstring& winPath) {
  Resolved r;
  r.winPath = winPath;
  if (auto mapped = MappedProgram(winPath)) {
    r.found = Found::kProgram;
    r.hostPath = *mapped;
    return r;
  }
  struct stat st;
  if (!sim::HostPathOf(winPath, &r.hostPath) || stat(r.hostPath.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
    r.found = Found::kMissing;
    return r;
  }
  r.found = HostCanExecute(r.hostPath) ? Found::kProgram : Found::kDocument;
  return r;
}

// A bare name is looked up in the folders of "Path"; a path is taken as is.
Resolved ResolveProgram(std::wstring name) {
  if (name.find_first_of(L"\\/:") != std::wstring::npos) return ResolveExact(name);
  if (ExtensionOf(name).empty()) name += L".exe";
  const auto& env = sim::TheMachine().Env();
  std::wstring pathList;
  for (const auto& [key, value] : env) {
    if (Lower(key) == L"path") pathList = value;
  }
  size_t start = 0;
  while (start <= pathList.size()) {
    size_t end = pathList.find(L';', start);
    std::wstring folder = pathList.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    start = end == std::wstring::npos ? pathList.size() + 1 : end + 1;
    if (folder.empty()) continue;
    if (folder.back() != L'\\') folder += L'\\';
    Resolved r = ResolveExact(folder + name);
    if (r.found != Found::kMissing) return r;
  }
  return Resolved{Found::kMissing, name, ""};
}

// ---- running processes ----

std::string ProcessesFolder() { return sim::SandboxSubfolder("processes"); }
std::string RecordPath(int pid) { return ProcessesFolder() + "/" + std::to_string(pid) + ".json"; }

uint32_t ExitCodeOf(int status, const std::string& exitFile, std::optional<uint32_t> terminatedWith) {
  if (WIFSIGNALED(status)) {
    int sig = WTERMSIG(status);
    if (sig == SIGKILL && terminatedWith) return *terminatedWith;
    if (sig == SIGSEGV || sig == SIGBUS) return kStatusAccessViolation;
    return sig == SIGABRT ? kAbortExitCode : kStatusControlCExit;
  }
  uint32_t status8 = static_cast<uint32_t>(WEXITSTATUS(status));
  std::string text;
  if (sim::ReadHostText(exitFile, &text) && !text.empty()) {
    char* end = nullptr;
    long long full = strtoll(text.c_str(), &end, 10);
    uint32_t code = static_cast<uint32_t>(full);
    if (end != text.c_str() && (code & 0xFF) == status8) return code;
  }
  return status8;
}

class SimProcess : public Process {
 public:
  SimProcess(int pid, int pidfd, std::string exitFile, std::string record)
      : pid_(pid), pidfd_(pidfd), exitFile_(std::move(exitFile)), record_(std::move(record)) {}

  ~SimProcess() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (reaped_) {
      close(pidfd_);
      return;
    }
    // The handle closes but the process runs on: someone still has to
    // collect it when it ends.
    std::thread([pid = pid_, pidfd = pidfd_, exitFile = exitFile_, record = record_] {
      int status;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      close(pidfd);
      unlink(exitFile.c_str());
      unlink(record.c_str());
    }).detach();
  }

  uint32_t Id() const override { return static_cast<uint32_t>(pid_); }

  WaitResult Wait(uint32_t timeoutMs) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (reaped_) return WaitResult::kSignaled;
    pollfd waiter{pidfd_, POLLIN, 0};
    int timeout = timeoutMs == kWaitInfinite ? -1 : static_cast<int>(std::min<uint32_t>(timeoutMs, INT_MAX));
    int ready;
    while ((ready = poll(&waiter, 1, timeout)) < 0 && errno == EINTR) {
    }
    if (ready < 0) {
      SetLastErrorCode(sim::WinErrorOf(errno));
      return WaitResult::kFailed;
    }
    if (ready == 0) return WaitResult::kTimeout;
    return ReapLocked() ? WaitResult::kSignaled : WaitResult::kFailed;
  }

  bool GetExitCode(uint32_t* exitCode) override {
    std::lock_guard<std::mutex> lock(mutex_);
    pollfd waiter{pidfd_, POLLIN, 0};
    if (!reaped_ && poll(&waiter, 1, 0) == 1) ReapLocked();
    *exitCode = reaped_ ? exitCode_ : kStillActive;
    return true;
  }

  bool Terminate(uint32_t exitCode) override {
    std::lock_guard<std::mutex> lock(mutex_);
    pollfd waiter{pidfd_, POLLIN, 0};
    if (reaped_ || poll(&waiter, 1, 0) == 1) {
      SetLastErrorCode(kErrorAccessDenied);
      return false;
    }
    terminatedWith_ = exitCode;
    if (SignalPidfd(pidfd_, SIGKILL) != 0) {
      SetLastErrorCode(sim::WinErrorOf(errno));
      terminatedWith_.reset();
      return false;
    }
    return true;
  }

 private:
  bool ReapLocked() {
    int status = 0;
    pid_t done;
    while ((done = waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    if (done != pid_) {
      SetLastErrorCode(sim::WinErrorOf(errno));
      return false;
    }
    exitCode_ = ExitCodeOf(status, exitFile_, terminatedWith_);
    reaped_ = true;
    unlink(exitFile_.c_str());
    unlink(record_.c_str());
    return true;
  }

  const int pid_;
  const int pidfd_;
  const std::string exitFile_;
  const std::string record_;
  std::mutex mutex_;
  bool reaped_ = false;
  uint32_t exitCode_ = kStillActive;
  std::optional<uint32_t> terminatedWith_;
};

// The child's environment: ours, with its own exit-code file.
std::vector<std::string> ChildEnvironment(const std::string& exitFile) {
  std::vector<std::string> env;
  std::string prefix = std::string(kExitCodeFileVariable) + "=";
  for (char** e = environ; *e; ++e) {
    if (strncmp(*e, prefix.c_str(), prefix.size()) != 0) env.emplace_back(*e);
  }
  env.push_back(prefix + exitFile);
  return env;
}

std::string NewExitFile() {
  static std::atomic<unsigned> counter{0};
  return ProcessesFolder() + "/" + std::to_string(getpid()) + "-" + std::to_string(++counter) + ".exit";
}

void RegisterProcess(int pid, const std::wstring& image) {
  cJSON* o = cJSON_CreateObject();
  cJSON_AddStringToObject(o, "image", sim::Utf8Of(image).c_str());
  cJSON_AddStringToObject(o, "start", std::to_string(sim::ProcessStartTime(pid)).c_str());
  char* text = cJSON_Print(o);
  if (text) sim::WriteHostTextAtomically(RecordPath(pid), text);
  cJSON_free(text);
  cJSON_Delete(o);
}

// Starts the host program with the Windows arguments; null + last error on failure.
std::unique_ptr<SimProcess> Spawn(const Resolved& program, const std::vector<std::wstring>& args,
                                  const std::wstring& directory) {
  std::string hostDirectory;
  if (!directory.empty() && !sim::HostPathOf(directory, &hostDirectory)) return nullptr;
  std::vector<std::string> argStore{program.hostPath};
  for (const auto& a : args) argStore.push_back(sim::Utf8Of(a));
  std::string exitFile = NewExitFile();
  std::vector<std::string> envStore = ChildEnvironment(exitFile);
  std::vector<char*> argv, envp;
  for (auto& a : argStore) argv.push_back(a.data());
  for (auto& e : envStore) envp.push_back(e.data());
  argv.push_back(nullptr);
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!hostDirectory.empty()) posix_spawn_file_actions_addchdir_np(&actions, hostDirectory.c_str());
  pid_t pid = 0;
  int error = posix_spawn(&pid, program.hostPath.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    SetLastErrorCode(error == ENOEXEC ? kErrorBadExeFormat : sim::WinErrorOf(error));
    return nullptr;
  }
  int pidfd = OpenPidfd(pid);
  if (pidfd < 0) {  // can not follow it: collect it and report the failure
    int status;
    SetLastErrorCode(sim::WinErrorOf(errno));
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return nullptr;
  }
  RegisterProcess(pid, program.winPath);
  return std::make_unique<SimProcess>(pid, pidfd, exitFile, RecordPath(pid));
}

// Tail arguments by the Windows rules: a program name is put in front so
// that the tail is split by the rules of the later arguments.
std::vector<std::wstring> SplitTail(const std::wstring& tail) {
  std::vector<std::wstring> args = SplitCommandLine(L"x " + tail);
  args.erase(args.begin());
  return args;
}

bool IsProgramExtension(const std::wstring& ext) {
  return ext == L".exe" || ext == L".com" || ext == L".bat" || ext == L".cmd";
}

bool Fail(ShellExecuteResult* result, intptr_t instApp, uint32_t error) {
  result->instApp = instApp;
  SetLastErrorCode(error);
  return false;
}

}  // namespace

bool ShellExecuteFile(const ShellExecuteRequest& request, ShellExecuteResult* result) {
  result->process.reset();
  std::wstring verb = Lower(request.verb);
  auto journalOpen = [&] {
    sim::AppendJournal("shell_open", {{"verb", sim::Utf8Of(request.verb)},
                                      {"file", sim::Utf8Of(request.file)},
                                      {"parameters", sim::Utf8Of(request.parameters)},
                                      {"show", std::to_string(request.show)}});
    result->instApp = kShellSuccess;
    SetLastErrorCode(kErrorSuccess);
    return true;
  };
  if (request.file.empty()) return Fail(result, kSeErrFileNotFound, kErrorFileNotFound);
  if (IsUrl(request.file)) return journalOpen();

  Resolved program = ResolveProgram(request.file);
  if (program.found == Found::kMissing) return Fail(result, kSeErrFileNotFound, kErrorFileNotFound);
  if (program.found == Found::kDocument) {
    if (IsProgramExtension(ExtensionOf(program.winPath))) return Fail(result, kSeErrBadFormat, kErrorBadExeFormat);
    return journalOpen();
  }
  if (!verb.empty() && verb != L"open" && verb != L"runas") return Fail(result, kSeErrNoAssociation, kErrorNoAssociation);
  if (verb == L"runas" && sim::TheMachine().Text("elevation", "accept") == "decline") {
    return Fail(result, kSeErrAccessDenied, kErrorCancelled);
  }
  std::unique_ptr<SimProcess> process = Spawn(program, SplitTail(request.parameters), request.directory);
  if (!process) {
    uint32_t error = GetLastErrorCode();
    return Fail(result, error == kErrorPathNotFound ? kSeErrPathNotFound : kSeErrFileNotFound, error);
  }
  sim::AppendJournal("process_start", {{"api", "shell"},
                                       {"verb", sim::Utf8Of(request.verb)},
                                       {"file", sim::Utf8Of(program.winPath)},
                                       {"parameters", sim::Utf8Of(request.parameters)},
                                       {"show", std::to_string(request.show)},
                                       {"process", std::to_string(process->Id())}});
  result->instApp = kShellSuccess;
  if (request.wantProcess) result->process = std::move(process);
  SetLastErrorCode(kErrorSuccess);
  return true;
}

std::unique_ptr<Process> StartProcess(const ProcessStart& start) {
  if (start.commandLine.empty()) {
    SetLastErrorCode(kErrorInvalidParameter);
    return nullptr;
  }
  std::vector<std::wstring> args = SplitCommandLine(start.commandLine);
  std::wstring name = args[0];
  args.erase(args.begin());
  if (ExtensionOf(name).empty()) name += L".exe";
  Resolved program = ResolveProgram(name);
  if (program.found != Found::kProgram) {
    SetLastErrorCode(program.found == Found::kMissing ? kErrorFileNotFound : kErrorBadExeFormat);
    return nullptr;
  }
  std::unique_ptr<SimProcess> process = Spawn(program, args, start.directory);
  if (!process) return nullptr;
  sim::AppendJournal("process_start", {{"api", "create"},
                                       {"file", sim::Utf8Of(program.winPath)},
                                       {"command_line", sim::Utf8Of(start.commandLine)},
                                       {"show", std::to_string(start.show)},
                                       {"no_window", start.noWindow ? "1" : "0"},
                                       {"process", std::to_string(process->Id())}});
  return process;
}

uint32_t SetProcessErrorMode(uint32_t mode) { return errorMode.exchange(mode); }

void ExitCurrentProcess(uint32_t exitCode) {
  if (const char* file = getenv(kExitCodeFileVariable); file && *file) {
    std::string text = std::to_string(exitCode);
    int fd = open(file, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ssize_t ignored = write(fd, text.data(), text.size());
      (void)ignored;
      close(fd);
    }
  }
  exit(static_cast<int>(exitCode & 0xFF));
}

bool SnapshotProcesses(std::vector<ProcessEntry>* processes) {
  processes->clear();
  uint32_t self = CurrentProcessId();
  processes->push_back({self, sim::WideOf(sim::TheMachine().Text("self_path", ""))});
  DIR* dir = opendir(ProcessesFolder().c_str());
  if (!dir) return true;
  while (dirent* entry = readdir(dir)) {
    const char* dot = strchr(entry->d_name, '.');
    if (!dot || strcmp(dot, ".json") != 0) continue;
    int pid = atoi(entry->d_name);
    std::string text;
    if (static_cast<uint32_t>(pid) == self || !sim::ReadHostText(ProcessesFolder() + "/" + entry->d_name, &text)) continue;
    cJSON* o = cJSON_Parse(text.c_str());
    const cJSON* image = cJSON_GetObjectItemCaseSensitive(o, "image");
    const cJSON* start = cJSON_GetObjectItemCaseSensitive(o, "start");
    if (cJSON_IsString(image) && cJSON_IsString(start) &&
        sim::ProcessAlive(pid, strtoull(start->valuestring, nullptr, 10))) {
      processes->push_back({static_cast<uint32_t>(pid), sim::WideOf(image->valuestring)});
    }
    cJSON_Delete(o);
  }
  closedir(dir);
  return true;
}

}  // namespace platform
