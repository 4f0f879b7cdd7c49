// Top-level windows of the simulated machine. Each window is a record in
// "<sandbox>/windows/<handle>.json" (class, title, owning process, show
// state, owner, last activation); records of processes that have ended are
// ignored, as Windows destroys the windows of an ending process. Handles
// come from one counter per sandbox, so they are unique across processes.
// Posted messages travel as datagrams to a socket of the owning process
// (Linux abstract namespace, named after the sandbox and the pid), so the
// other process really receives them. Show, foreground and focus changes
// and moves are also written to the journal ("show_window", "foreground",
// "focus", "move_window"). A new window's rectangle is empty at 0,0.
// Enumeration follows the Z order: the window created or activated last
// comes first, except that an owned window is always above its owner, as on
// Windows, also once the owner has been activated.
#include "platform/windowing.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cjson/cJSON.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cwctype>
#include <dirent.h>
#include <mutex>
#include <optional>

#include "platform/sim/host_process.h"
#include "platform/sim/machine.h"
#include "platform/win_error.h"

namespace platform {
namespace {

constexpr uint32_t kErrorInvalidWindowHandle = 1400;
constexpr WindowHandle kFirstHandle = 0x000100A2;

struct WindowRecord {
  WindowHandle handle = 0;
  std::wstring className;
  std::wstring title;
  int pid = 0;
  uint64_t start = 0;
  bool visible = false;
  bool minimized = false;
  WindowHandle owner = 0;
  int64_t activated = 0;  // time of the last activation, 0: never
  int64_t z = 0;          // time it was created or last activated
  WindowRect rect;
};

std::string WindowsFolder() { return sim::SandboxSubfolder("windows"); }
std::string RecordPath(WindowHandle handle) { return WindowsFolder() + "/" + std::to_string(handle) + ".json"; }

int64_t NowTicks() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// Serialises changes of records and of the handle counter across processes.
class FolderLock {
 public:
  FolderLock() : fd_(open((WindowsFolder() + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~FolderLock() {
    if (fd_ >= 0) close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_;
};

std::string TextOf(const cJSON* object, const char* name) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
  return cJSON_IsString(item) ? item->valuestring : "";
}
double NumberOf(const cJSON* object, const char* name) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
  return cJSON_IsNumber(item) ? item->valuedouble : 0;
}

bool WriteRecord(const WindowRecord& w) {
  cJSON* o = cJSON_CreateObject();
  cJSON_AddStringToObject(o, "class", sim::Utf8Of(w.className).c_str());
  cJSON_AddStringToObject(o, "title", sim::Utf8Of(w.title).c_str());
  cJSON_AddNumberToObject(o, "pid", w.pid);
  cJSON_AddStringToObject(o, "start", std::to_string(w.start).c_str());
  cJSON_AddBoolToObject(o, "visible", w.visible);
  cJSON_AddBoolToObject(o, "minimized", w.minimized);
  cJSON_AddNumberToObject(o, "owner", w.owner);
  cJSON_AddStringToObject(o, "activated", std::to_string(w.activated).c_str());
  cJSON_AddStringToObject(o, "z", std::to_string(w.z).c_str());
  cJSON_AddNumberToObject(o, "left", w.rect.left);
  cJSON_AddNumberToObject(o, "top", w.rect.top);
  cJSON_AddNumberToObject(o, "right", w.rect.right);
  cJSON_AddNumberToObject(o, "bottom", w.rect.bottom);
  char* text = cJSON_Print(o);
  bool ok = text && sim::WriteHostTextAtomically(RecordPath(w.handle), text);
  cJSON_free(text);
  cJSON_Delete(o);
  return ok;
}

// The record of a window whose process still runs.
std::optional<WindowRecord> ReadRecord(WindowHandle handle) {
  std::string text;
  if (handle == 0 || !sim::ReadHostText(RecordPath(handle), &text)) return std::nullopt;
  cJSON* o = cJSON_Parse(text.c_str());
  if (!o) return std::nullopt;
  WindowRecord w;
  w.handle = handle;
  w.className = sim::WideOf(TextOf(o, "class"));
  w.title = sim::WideOf(TextOf(o, "title"));
  w.pid = static_cast<int>(NumberOf(o, "pid"));
  w.start = strtoull(TextOf(o, "start").c_str(), nullptr, 10);
  w.visible = cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(o, "visible"));
  w.minimized = cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(o, "minimized"));
  w.owner = static_cast<WindowHandle>(NumberOf(o, "owner"));
  w.activated = strtoll(TextOf(o, "activated").c_str(), nullptr, 10);
  w.z = strtoll(TextOf(o, "z").c_str(), nullptr, 10);
  w.rect = {static_cast<int>(NumberOf(o, "left")), static_cast<int>(NumberOf(o, "top")),
            static_cast<int>(NumberOf(o, "right")), static_cast<int>(NumberOf(o, "bottom"))};
  cJSON_Delete(o);
  if (!sim::ProcessAlive(w.pid, w.start)) return std::nullopt;
  return w;
}

std::optional<WindowRecord> LiveRecordOrError(WindowHandle handle) {
  auto record = ReadRecord(handle);
  if (!record) SetLastErrorCode(kErrorInvalidWindowHandle);
  return record;
}

std::vector<WindowRecord> LiveRecords() {
  std::vector<WindowHandle> handles;
  if (DIR* dir = opendir(WindowsFolder().c_str())) {
    while (dirent* entry = readdir(dir)) {
      const char* dot = strchr(entry->d_name, '.');
      if (dot && strcmp(dot, ".json") == 0) handles.push_back(static_cast<WindowHandle>(strtoul(entry->d_name, nullptr, 10)));
    }
    closedir(dir);
  }
  std::vector<WindowRecord> records;
  for (WindowHandle h : handles) {
    if (auto w = ReadRecord(h)) records.push_back(*w);
  }
  std::sort(records.begin(), records.end(), [](const WindowRecord& a, const WindowRecord& b) {
    return a.z != b.z ? a.z > b.z : a.handle > b.handle;
  });
  return records;
}

WindowHandle NextHandle() {
  std::string counterPath = WindowsFolder() + "/next_handle";
  std::string text;
  WindowHandle handle = kFirstHandle;
  if (sim::ReadHostText(counterPath, &text) && !text.empty()) handle = static_cast<WindowHandle>(strtoul(text.c_str(), nullptr, 10));
  sim::WriteHostTextAtomically(counterPath, std::to_string(handle + 2));
  return handle;
}

// Changes one live record under the folder lock.
template <typename Change>
bool UpdateRecord(WindowHandle handle, Change change) {
  FolderLock lock;
  auto record = LiveRecordOrError(handle);
  if (!record) return false;
  change(*record);
  return WriteRecord(*record);
}

bool SameFolded(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return towlower(x) == towlower(y); });
}

// ---- messages ----

struct Datagram {
  uint32_t window;
  uint32_t message;
  uint64_t wParam;
  int64_t lParam;
};

sockaddr_un SocketAddressOf(int pid, socklen_t* length) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  char name[96];
  int n = snprintf(name, sizeof name, "kiv-windows-%016llx-%d",
                   static_cast<unsigned long long>(sim::StableHash(sim::TheMachine().Sandbox())), pid);
  memcpy(address.sun_path + 1, name, n);  // leading NUL: abstract namespace
  *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
  return address;
}

// This process's receiving socket, bound once per sandbox.
int MessageSocket() {
  static std::mutex mutex;
  static int fd = -1;
  static std::string boundSandbox;
  std::lock_guard<std::mutex> lock(mutex);
  const std::string& sandbox = sim::TheMachine().Sandbox();
  if (fd >= 0 && boundSandbox == sandbox) return fd;
  if (fd >= 0) close(fd);
  fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  socklen_t length;
  sockaddr_un address = SocketAddressOf(getpid(), &length);
  if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
    close(fd);
    fd = -1;
  }
  boundSandbox = fd >= 0 ? sandbox : "";
  return fd;
}

}  // namespace

WindowHandle CreateTopLevelWindow(const std::wstring& className, const std::wstring& title, WindowHandle owner) {
  if (owner != 0 && !LiveRecordOrError(owner)) return 0;
  if (MessageSocket() < 0) {
    SetLastErrorCode(sim::WinErrorOf(errno));
    return 0;
  }
  FolderLock lock;
  WindowRecord w;
  w.handle = NextHandle();
  w.className = className;
  w.title = title;
  w.pid = getpid();
  w.start = sim::ProcessStartTime(w.pid);
  w.owner = owner;
  w.z = NowTicks();
  if (!WriteRecord(w)) {
    SetLastErrorCode(sim::WinErrorOf(errno));
    return 0;
  }
  return w.handle;
}

bool DestroyTopLevelWindow(WindowHandle window) {
  FolderLock lock;
  auto record = LiveRecordOrError(window);
  if (!record) return false;
  if (record->pid != getpid()) {  // only the owning thread may destroy a window
    SetLastErrorCode(kErrorAccessDenied);
    return false;
  }
  return unlink(RecordPath(window).c_str()) == 0;
}

WindowHandle FindTopLevelWindow(const std::wstring& className, const std::wstring& title) {
  for (const auto& w : LiveRecords()) {
    if ((className.empty() || SameFolded(w.className, className)) && (title.empty() || SameFolded(w.title, title))) {
      return w.handle;
    }
  }
  SetLastErrorCode(kErrorSuccess);
  return 0;
}

namespace {

// `window` preceded by the windows it owns, each of them in turn preceded by
// its own, in the Z order of `records`.
void AppendOwnedFirst(const std::vector<WindowRecord>& records, WindowHandle window, std::vector<WindowHandle>* handles) {
  for (const auto& w : records) {
    if (w.owner == window) AppendOwnedFirst(records, w.handle, handles);
  }
  handles->push_back(window);
}

}  // namespace

std::vector<WindowHandle> EnumTopLevelWindows() {
  const std::vector<WindowRecord> records = LiveRecords();
  std::vector<WindowHandle> handles;
  for (const auto& w : records) {
    bool ownerLives = std::any_of(records.begin(), records.end(), [&](const WindowRecord& o) { return o.handle == w.owner; });
    if (!ownerLives) AppendOwnedFirst(records, w.handle, &handles);
  }
  return handles;
}

uint32_t GetWindowProcessId(WindowHandle window) {
  auto record = LiveRecordOrError(window);
  return record ? static_cast<uint32_t>(record->pid) : 0;
}

bool IsWindowVisibleNow(WindowHandle window) {
  auto record = ReadRecord(window);
  return record && record->visible;
}

bool IsWindowMinimized(WindowHandle window) {
  auto record = ReadRecord(window);
  return record && record->minimized;
}

WindowHandle GetWindowOwner(WindowHandle window) {
  auto record = LiveRecordOrError(window);
  return record ? record->owner : 0;
}

// Returns whether the window was visible before, as ShowWindow does.
bool ShowWindowAs(WindowHandle window, int command) {
  bool wasVisible = false;
  bool changed = UpdateRecord(window, [&](WindowRecord& w) {
    wasVisible = w.visible;
    switch (command) {
      case kSwHide:
        w.visible = false;
        break;
      case kSwShowMinimized:
      case kSwMinimize:
        w.visible = true;
        w.minimized = true;
        break;
      case kSwShowNormal:
      case kSwRestore:
        w.visible = true;
        w.minimized = false;
        w.activated = w.z = NowTicks();
        break;
      case kSwShow:
        w.visible = true;
        w.activated = w.z = NowTicks();
        break;
      default:  // kSwShowNoActivate and the other showing commands
        w.visible = true;
        break;
    }
  });
  if (!changed) return false;
  sim::AppendJournal("show_window", {{"window", std::to_string(window)}, {"command", std::to_string(command)}});
  return wasVisible;
}

WindowHandle GetLastActivePopupOf(WindowHandle window) {
  if (!LiveRecordOrError(window)) return 0;
  WindowHandle best = window;
  int64_t bestTime = 0;
  for (const auto& w : LiveRecords()) {
    if (w.owner == window && w.visible && w.activated > bestTime) {
      best = w.handle;
      bestTime = w.activated;
    }
  }
  return best;
}

bool SetForegroundWindowTo(WindowHandle window) {
  std::wstring title;
  if (!UpdateRecord(window, [&](WindowRecord& w) {
        w.activated = w.z = NowTicks();
        title = w.title;
      })) {
    return false;
  }
  sim::AppendJournal("foreground", {{"window", std::to_string(window)}, {"title", sim::Utf8Of(title)}});
  return true;
}

bool SetFocusTo(WindowHandle window) {
  if (!LiveRecordOrError(window)) return false;
  sim::AppendJournal("focus", {{"window", std::to_string(window)}});
  return true;
}

bool GetWindowRectOf(WindowHandle window, WindowRect* rect) {
  auto record = LiveRecordOrError(window);
  if (!record) return false;
  *rect = record->rect;
  return true;
}

bool SetWindowRectOf(WindowHandle window, const WindowRect& rect) {
  return UpdateRecord(window, [&](WindowRecord& w) { w.rect = rect; });
}

bool MoveWindowTo(WindowHandle window, int x, int y) {
  if (!UpdateRecord(window, [&](WindowRecord& w) {
        w.rect = {x, y, x + (w.rect.right - w.rect.left), y + (w.rect.bottom - w.rect.top)};
      })) {
    return false;
  }
  sim::AppendJournal("move_window", {{"window", std::to_string(window)}, {"x", std::to_string(x)}, {"y", std::to_string(y)}});
  return true;
}

bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  auto record = LiveRecordOrError(window);
  if (!record) return false;
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    SetLastErrorCode(sim::WinErrorOf(errno));
    return false;
  }
  Datagram datagram{window, message, static_cast<uint64_t>(wParam), static_cast<int64_t>(lParam)};
  socklen_t length;
  sockaddr_un address = SocketAddressOf(record->pid, &length);
  bool sent = sendto(fd, &datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&address), length) ==
              static_cast<ssize_t>(sizeof datagram);
  if (!sent) SetLastErrorCode(errno == ECONNREFUSED ? kErrorInvalidWindowHandle : sim::WinErrorOf(errno));
  close(fd);
  return sent;
}

bool ReceiveWindowMessage(WindowMessage* message, uint32_t timeoutMs) {
  int fd = MessageSocket();
  if (fd < 0) {
    SetLastErrorCode(sim::WinErrorOf(errno));
    return false;
  }
  pollfd waiter{fd, POLLIN, 0};
  int ready = poll(&waiter, 1, static_cast<int>(std::min<uint32_t>(timeoutMs, INT32_MAX)));
  Datagram datagram;
  if (ready <= 0 || recv(fd, &datagram, sizeof datagram, MSG_DONTWAIT) != static_cast<ssize_t>(sizeof datagram)) {
    SetLastErrorCode(kErrorWaitTimeout);
    return false;
  }
  message->window = datagram.window;
  message->message = datagram.message;
  message->wParam = static_cast<uintptr_t>(datagram.wParam);
  message->lParam = static_cast<intptr_t>(datagram.lParam);
  message->data.clear();
  return true;
}

}  // namespace platform
