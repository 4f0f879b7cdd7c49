// System and process facts through Win32.
#include <windows.h>
#include <shlobj.h>
#include <wincrypt.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "platform/system_info.h"
#include "platform/win/scoped_handle.h"
#include "platform/win_error.h"

namespace platform {
namespace {

// RtlGetNtVersionNumbers sets the top four bits of the build on release
// builds of Windows (0xF0000000) and 0xC0000000 on checked ones.
constexpr uint32_t kBuildFlags = 0xF0000000u;

using IsWow64ProcessCall = BOOL(WINAPI*)(HANDLE, PBOOL);
using RtlGetNtVersionNumbersCall = void(WINAPI*)(DWORD*, DWORD*, DWORD*);

// GetProcAddress hands back a generic FARPROC; the casts go through void*.
template <typename Call>
Call Export(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// ntdll.dll by its full path in the system folder, never by a search that a
// planted copy beside the executable could win.
win::ScopedModule LoadNtdllFromSystemFolder() {
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return win::ScopedModule();
  return win::ScopedModule(LoadLibraryW((std::wstring(folder, length) + L"\\ntdll.dll").c_str()));
}

// The access the shell user's folder query needs from that user's token.
constexpr DWORD kShellTokenAccess = TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE;

win::ScopedHandle OpenShellUserToken() {
  DWORD processId = 0;
  HWND shell = GetShellWindow();
  if (!shell || !GetWindowThreadProcessId(shell, &processId)) return win::ScopedHandle();
  win::ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
  win::ScopedHandle token;
  if (process.valid()) OpenProcessToken(process.get(), kShellTokenAccess, token.out());
  return token;
}

}  // namespace

Wow64Answer QueryWow64Process() {
  Wow64Answer answer;
  // Looked up at run time: systems before XP SP2 lack the export.
  auto isWow64Process = Export<IsWow64ProcessCall>(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process");
  answer.callExists = isWow64Process != nullptr;
  BOOL isWow64 = FALSE;
  answer.succeeded = answer.callExists && isWow64Process(GetCurrentProcess(), &isWow64);
  answer.isWow64 = answer.succeeded && isWow64;
  return answer;
}

ProcessorArchitecture GetNativeProcessorArchitecture() {
  SYSTEM_INFO info = {};
  GetNativeSystemInfo(&info);
  return static_cast<ProcessorArchitecture>(info.wProcessorArchitecture);
}

bool GetNtVersionNumbers(OsVersionNumbers* version) {
  win::ScopedModule ntdll = LoadNtdllFromSystemFolder();
  auto getNumbers = Export<RtlGetNtVersionNumbersCall>(ntdll.get(), "RtlGetNtVersionNumbers");
  if (!getNumbers) return false;
  DWORD major = 0, minor = 0, build = 0;
  getNumbers(&major, &minor, &build);
  version->major = major;
  version->minor = minor;
  version->build = build & ~kBuildFlags;
  return true;
}

bool GetVersionInformation(OsVersionNumbers* version) {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExW(&info)) return false;
  version->major = info.dwMajorVersion;
  version->minor = info.dwMinorVersion;
  version->build = info.dwBuildNumber;
  return true;
}

uint32_t GetUserDefaultLocaleId() { return GetUserDefaultLCID(); }
uint32_t GetSystemDefaultLocaleId() { return GetSystemDefaultLCID(); }
uint32_t GetAnsiCodePage() { return GetACP(); }

int32_t GetTimeZoneBiasMinutes() {
  TIME_ZONE_INFORMATION zone = {};
  GetTimeZoneInformation(&zone);  // Bias is filled whichever zone id comes back
  return zone.Bias;
}

LocalTime GetLocalTimeNow() {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  LocalTime local;
  local.year = now.wYear;
  local.month = now.wMonth;
  local.day = now.wDay;
  local.hour = now.wHour;
  local.minute = now.wMinute;
  local.second = now.wSecond;
  local.milliseconds = now.wMilliseconds;
  return local;
}

int64_t GetUnixTimeNow() { return static_cast<int64_t>(time(nullptr)); }

ScreenSize GetPrimaryScreenSize() {
  ScreenSize size;
  size.width = GetSystemMetrics(SM_CXSCREEN);
  size.height = GetSystemMetrics(SM_CYSCREEN);
  return size;
}

bool GetAvailablePhysicalMemory(uint64_t* bytes) {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return false;
  *bytes = status.ullAvailPhys;
  return true;
}

uint32_t CurrentThreadId() { return GetCurrentThreadId(); }
uint32_t CurrentProcessId() { return GetCurrentProcessId(); }

bool FillCryptoRandom(void* buffer, uint32_t size) {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return false;
  // Generated aside, so a provider that fails half-way leaves the caller's buffer as it was.
  std::vector<BYTE> bytes(size);
  bool filled = CryptGenRandom(provider, size, bytes.data());
  DWORD error = GetLastError();
  CryptReleaseContext(provider, 0);
  if (!filled) {
    SetLastError(error);
    return false;
  }
  std::copy(bytes.begin(), bytes.end(), static_cast<BYTE*>(buffer));
  return true;
}

std::wstring GetShellUserLocalAppDataPath() {
  // An elevated installer may run as another account than the signed-in
  // user; the shell's process token names that user. Impersonating it on
  // this thread lets the shell resolve the folder as that user sees it.
  win::ScopedHandle token = OpenShellUserToken();
  if (!token.valid() || !ImpersonateLoggedOnUser(token.get())) return L"";
  wchar_t path[MAX_PATH];
  HRESULT result = SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, token.get(), SHGFP_TYPE_CURRENT, path);
  RevertToSelf();
  return result == S_OK ? std::wstring(path) : std::wstring();
}

}  // namespace platform
