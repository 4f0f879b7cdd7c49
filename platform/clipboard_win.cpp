// The clipboard's CF_TEXT through Win32.
#include <windows.h>

#include <cstring>

#include "platform/clipboard.h"
#include "platform/win_error.h"

namespace platform {
namespace {

// A clipboard without text fails with no error of its own.
bool NoText() {
  if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_NOT_FOUND);
  return false;
}

// The text up to its NUL, never past the memory block.
bool CopyText(HANDLE data, std::string* text) {
  const char* locked = static_cast<const char*>(GlobalLock(data));
  if (!locked) return false;
  *text = std::string(locked, strnlen(locked, GlobalSize(data)));
  GlobalUnlock(data);
  return true;
}

}  // namespace

bool GetClipboardAnsiText(std::string* text) {
  SetLastError(ERROR_SUCCESS);
  if (!OpenClipboard(nullptr)) return NoText();
  HANDLE data = GetClipboardData(CF_TEXT);
  bool copied = data && CopyText(data, text);
  DWORD error = GetLastError();
  CloseClipboard();
  SetLastError(error);
  return copied || NoText();
}

}  // namespace platform
