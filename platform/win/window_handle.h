#pragma once
// Window handles of the platform interfaces (32-bit values) and HWNDs.
// Handles of top-level windows are 32-bit values on every Windows, so the
// conversion loses nothing, in a 32-bit process or under WOW64.
#include <windows.h>

#include <cstdint>

#include "platform/windowing.h"

namespace platform::win {

inline HWND HwndOf(WindowHandle window) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(window)); }

inline WindowHandle WindowHandleOf(HWND hwnd) {
  return static_cast<WindowHandle>(reinterpret_cast<uintptr_t>(hwnd));
}

}  // namespace platform::win
