// The process environment and the shell's known folders through Win32.
#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "platform/environment.h"
#include "platform/win_error.h"

namespace platform {
namespace {

// Runs a Win32 "fill this buffer" call the way the caller's buffer of
// `bufferChars` would: `call(buffer, chars)` returns the length copied, or
// the size needed with the terminator when `chars` is too small, or 0. The
// buffer is sized from a first call with none, so a caller that names a
// large buffer costs no large allocation; a value that grows between the
// two calls is asked for again.
template <typename Call>
uint32_t FillLikeWin32(uint32_t bufferChars, std::wstring* out, Call call) {
  SetLastError(ERROR_SUCCESS);  // an empty value leaves the last error alone
  uint32_t needed = call(nullptr, 0);
  while (needed != 0 && needed <= bufferChars) {
    std::vector<wchar_t> buffer(needed);
    uint32_t got = call(buffer.data(), needed);
    if (got < needed) {  // fitted: the length without the terminator
      if (got > 0) out->assign(buffer.data(), got);
      return got;
    }
    needed = got;
  }
  return needed;
}

}  // namespace

uint32_t GetEnvironmentValue(const std::wstring& name, uint32_t bufferChars, std::wstring* value) {
  return FillLikeWin32(bufferChars, value, [&](wchar_t* buffer, uint32_t chars) {
    return GetEnvironmentVariableW(name.c_str(), buffer, chars);
  });
}

bool SetEnvironmentValue(const std::wstring& name, const wchar_t* value) {
  if (SetEnvironmentVariableW(name.c_str(), value)) return true;
  SetLastErrorCode(GetLastError());
  return false;
}

uint32_t GetTempPathValue(uint32_t bufferChars, std::wstring* path) {
  return FillLikeWin32(bufferChars, path, [](wchar_t* buffer, uint32_t chars) { return GetTempPathW(chars, buffer); });
}

bool GetKnownFolderPath(KnownFolder folder, std::wstring* path) {
  wchar_t buffer[MAX_PATH];
  HRESULT result = SHGetFolderPathW(nullptr, static_cast<int>(folder), nullptr, SHGFP_TYPE_CURRENT, buffer);
  if (result != S_OK) {
    // Failures are HRESULTs; a Win32 error inside one is the useful part.
    SetLastErrorCode(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : kErrorFileNotFound);
    return false;
  }
  *path = buffer;
  while (path->size() > 3 && path->back() == L'\\') path->pop_back();
  return true;
}

}  // namespace platform
