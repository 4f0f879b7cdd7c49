// Message boxes through MessageBoxW.
#include "platform/dialogs.h"

#include <windows.h>

#include "platform/win/window_handle.h"

namespace platform {

int ShowMessageBox(uint32_t owner, const std::wstring& text, const std::wstring& caption, uint32_t flags) {
  return MessageBoxW(win::HwndOf(owner), text.c_str(), caption.c_str(), flags);
}

}  // namespace platform
