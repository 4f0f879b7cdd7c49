#pragma once
// Top-level windows across processes: registration, lookup by class and
// title, show states, foreground, enumeration, posted messages. Window
// handles are 32-bit values, as a 32-bit process sees them. In the sim
// backend windows are registered in the sandbox and messages travel over
// local sockets, so two processes really talk.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using WindowHandle = uint32_t;

enum ShowCommand : int { kSwHide = 0, kSwShowNormal = 1, kSwShowMinimized = 2, kSwShow = 5,
                         kSwMinimize = 6, kSwShowNoActivate = 4, kSwRestore = 9 };

struct WindowMessage {
  WindowHandle window = 0;
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  std::string data;  // WM_COPYDATA payload
};

// Creates a top-level window of this process (hidden until shown); 0 on failure.
WindowHandle CreateTopLevelWindow(const std::wstring& className, const std::wstring& title,
                                  WindowHandle owner = 0);
bool DestroyTopLevelWindow(WindowHandle window);
// FindWindowW(className, title): 0 when no such window exists.
WindowHandle FindTopLevelWindow(const std::wstring& className, const std::wstring& title);
std::vector<WindowHandle> EnumTopLevelWindows();
uint32_t GetWindowProcessId(WindowHandle window);
bool IsWindowVisibleNow(WindowHandle window);
bool IsWindowMinimized(WindowHandle window);
WindowHandle GetWindowOwner(WindowHandle window);  // 0 when none
bool ShowWindowAs(WindowHandle window, int command);
// GetLastActivePopup: the window itself when it owns no active pop-up.
WindowHandle GetLastActivePopupOf(WindowHandle window);
bool SetForegroundWindowTo(WindowHandle window);
bool SetFocusTo(WindowHandle window);

// A window's outer rectangle in screen coordinates (right and bottom exclusive).
struct WindowRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
// GetWindowRect; false when the window does not exist.
bool GetWindowRectOf(WindowHandle window, WindowRect* rect);
// SetWindowPos(window, nullptr, left, top, width, height,
// SWP_NOZORDER | SWP_NOACTIVATE): new position and size at once.
bool SetWindowRectOf(WindowHandle window, const WindowRect& rect);
// SetWindowPos(window, nullptr, x, y, 0, 0,
// SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE): moves without resizing,
// activating or changing the Z order.
bool MoveWindowTo(WindowHandle window, int x, int y);

// PostMessageW to a window of any process.
bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Waits up to timeoutMs for a message to a window of this process.
bool ReceiveWindowMessage(WindowMessage* message, uint32_t timeoutMs);

}  // namespace platform
