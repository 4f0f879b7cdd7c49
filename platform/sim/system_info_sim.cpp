// System facts of the simulated machine: from the machine profile, with the
// host's real figures where the profile leaves them open.
#include <sys/random.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/sim/machine.h"
#include "platform/system_info.h"
#include "platform/win_error.h"

namespace platform {
namespace {

constexpr uint32_t kNteBadKeyset = 0x80090016;  // CryptAcquireContext: no key container

OsVersionNumbers ProfileVersion() {
  const sim::Machine& machine = sim::TheMachine();
  OsVersionNumbers version;
  version.major = static_cast<uint32_t>(machine.Int("os.major", 10));
  version.minor = static_cast<uint32_t>(machine.Int("os.minor", 0));
  version.build = static_cast<uint32_t>(machine.Int("os.build", 19045));
  return version;
}

// tm of a UTC instant; local time is computed as UTC minus the bias.
struct tm UtcFields(time_t seconds) {
  struct tm fields = {};
  gmtime_r(&seconds, &fields);
  return fields;
}

}  // namespace

Wow64Answer QueryWow64Process() {
  Wow64Answer answer;
  answer.callExists = true;
  answer.succeeded = true;
  answer.isWow64 = sim::TheMachine().Bool("os.wow64", false);
  return answer;
}

ProcessorArchitecture GetNativeProcessorArchitecture() {
  return sim::TheMachine().Int("os.bits", 64) == 64 ? ProcessorArchitecture::kAmd64
                                                     : ProcessorArchitecture::kIntel;
}

bool GetNtVersionNumbers(OsVersionNumbers* version) {
  if (!sim::TheMachine().Bool("os.rtl_version", true)) return false;
  *version = ProfileVersion();
  return true;
}

bool GetVersionInformation(OsVersionNumbers* version) {
  if (!sim::TheMachine().Bool("os.version_info", true)) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  *version = ProfileVersion();
  return true;
}

uint32_t GetUserDefaultLocaleId() {
  return static_cast<uint32_t>(sim::TheMachine().Int("locale.user_lcid", 1033));
}

uint32_t GetSystemDefaultLocaleId() {
  return static_cast<uint32_t>(sim::TheMachine().Int("locale.system_lcid", 1033));
}

uint32_t GetAnsiCodePage() {
  return static_cast<uint32_t>(sim::TheMachine().Int("locale.ansi_codepage", 1252));
}

int32_t GetTimeZoneBiasMinutes() {
  const cJSON* bias = sim::TheMachine().Item("locale.time_zone_bias");
  if (cJSON_IsNumber(bias)) return static_cast<int32_t>(bias->valuedouble);
  tzset();
  return static_cast<int32_t>(timezone / 60);  // seconds west of UTC, standard time
}

LocalTime GetLocalTimeNow() {
  struct timespec now = {};
  clock_gettime(CLOCK_REALTIME, &now);
  struct tm fields = {};
  if (cJSON_IsNumber(sim::TheMachine().Item("locale.time_zone_bias"))) {
    fields = UtcFields(now.tv_sec - static_cast<time_t>(GetTimeZoneBiasMinutes()) * 60);
  } else {
    localtime_r(&now.tv_sec, &fields);
  }
  LocalTime local;
  local.year = fields.tm_year + 1900;
  local.month = fields.tm_mon + 1;
  local.day = fields.tm_mday;
  local.hour = fields.tm_hour;
  local.minute = fields.tm_min;
  local.second = fields.tm_sec;
  local.milliseconds = static_cast<int>(now.tv_nsec / 1000000);
  return local;
}

int64_t GetUnixTimeNow() { return static_cast<int64_t>(time(nullptr)); }

ScreenSize GetPrimaryScreenSize() {
  const sim::Machine& machine = sim::TheMachine();
  ScreenSize size;
  size.width = static_cast<int>(machine.Int("screen.width", 1920));
  size.height = static_cast<int>(machine.Int("screen.height", 1080));
  return size;
}

bool GetAvailablePhysicalMemory(uint64_t* bytes) {
  int64_t megabytes = sim::TheMachine().Int("memory.available_mb", -1);
  if (megabytes >= 0) {
    *bytes = static_cast<uint64_t>(megabytes) * 1024 * 1024;
    return true;
  }
  FILE* meminfo = fopen("/proc/meminfo", "r");
  if (!meminfo) {
    SetLastErrorCode(sim::WinErrorOf(errno));
    return false;
  }
  char line[256];
  bool found = false;
  unsigned long long kilobytes = 0;
  while (!found && fgets(line, sizeof line, meminfo)) {
    found = sscanf(line, "MemAvailable: %llu kB", &kilobytes) == 1;
  }
  fclose(meminfo);
  if (!found) {
    SetLastErrorCode(kErrorInvalidParameter);
    return false;
  }
  *bytes = static_cast<uint64_t>(kilobytes) * 1024;
  return true;
}

uint32_t CurrentThreadId() { return static_cast<uint32_t>(syscall(SYS_gettid)); }
uint32_t CurrentProcessId() { return static_cast<uint32_t>(getpid()); }

bool FillCryptoRandom(void* buffer, uint32_t size) {
  if (sim::TheMachine().Bool("random_fails", false)) {
    SetLastErrorCode(kNteBadKeyset);
    return false;
  }
  auto* out = static_cast<unsigned char*>(buffer);
  uint32_t filled = 0;
  while (filled < size) {
    ssize_t got = getrandom(out + filled, size - filled, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      SetLastErrorCode(sim::WinErrorOf(errno));
      return false;
    }
    filled += static_cast<uint32_t>(got);
  }
  return true;
}

std::wstring GetShellUserLocalAppDataPath() {
  const sim::Machine& machine = sim::TheMachine();
  const cJSON* shellUser = machine.Item("folders.shell_user_local_appdata");
  if (cJSON_IsString(shellUser)) return sim::WideOf(shellUser->valuestring);
  return sim::WideOf(machine.Text("folders.local_appdata", ""));
}

}  // namespace platform
