#pragma once
// Facts about the running Windows system and process: bitness, version,
// locale, time, screen, memory, ids, the cryptographic random source.
// Every call is cheap and may be made from any thread.
#include <cstdint>
#include <string>

namespace platform {

// IsWow64Process for the own process, looked up by name in kernel32 at run time.
struct Wow64Answer {
  bool callExists = false;  // false on systems that lack IsWow64Process
  bool succeeded = false;   // the call returned TRUE
  bool isWow64 = false;     // 32-bit process on 64-bit Windows
};
Wow64Answer QueryWow64Process();

// GetNativeSystemInfo's wProcessorArchitecture (PROCESSOR_ARCHITECTURE_*).
enum class ProcessorArchitecture : uint16_t {
  kIntel = 0, kArm = 5, kIa64 = 6, kAmd64 = 9, kArm64 = 12, kUnknown = 0xFFFF
};
ProcessorArchitecture GetNativeProcessorArchitecture();

struct OsVersionNumbers {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;  // without the 0xF0000000 flags RtlGetNtVersionNumbers adds
};
// RtlGetNtVersionNumbers of ntdll.dll, loaded from the system folder only.
// False when the export is missing.
bool GetNtVersionNumbers(OsVersionNumbers* version);
// GetVersionExW with an OSVERSIONINFOW (subject to the manifest's compatibility
// shims on Windows). False when the call fails.
bool GetVersionInformation(OsVersionNumbers* version);

uint32_t GetUserDefaultLocaleId();    // GetUserDefaultLCID
uint32_t GetSystemDefaultLocaleId();  // GetSystemDefaultLCID
uint32_t GetAnsiCodePage();           // GetACP

// GetTimeZoneInformation's Bias: minutes to add to local standard time to
// get UTC (UTC+8 is -480, UTC-3:30 is 210).
int32_t GetTimeZoneBiasMinutes();

// GetLocalTime: the wall clock in the machine's time zone.
struct LocalTime {
  int year = 0, month = 0, day = 0;  // month and day start at 1
  int hour = 0, minute = 0, second = 0, milliseconds = 0;
};
LocalTime GetLocalTimeNow();
// Seconds since 1970-01-01 UTC (time()).
int64_t GetUnixTimeNow();

// GetSystemMetrics(SM_CXSCREEN / SM_CYSCREEN) of the primary screen.
struct ScreenSize {
  int width = 0;
  int height = 0;
};
ScreenSize GetPrimaryScreenSize();

// GlobalMemoryStatusEx's ullAvailPhys; false when the query fails.
bool GetAvailablePhysicalMemory(uint64_t* bytes);

uint32_t CurrentThreadId();   // GetCurrentThreadId
uint32_t CurrentProcessId();  // GetCurrentProcessId

// CryptAcquireContextW(PROV_RSA_FULL, CRYPT_VERIFYCONTEXT), CryptGenRandom,
// CryptReleaseContext. False (buffer untouched, last error set) when the
// provider can not be opened or does not deliver.
bool FillCryptoRandom(void* buffer, uint32_t size);

// The local application-data folder of the user who owns the desktop shell:
// the shell window's process token is impersonated on the calling thread
// for SHGetFolderPathW(CSIDL_LOCAL_APPDATA) and reverted. Empty on any failure.
std::wstring GetShellUserLocalAppDataPath();

}  // namespace platform
