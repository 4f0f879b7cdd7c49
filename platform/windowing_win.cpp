// Top-level windows through the Win32 API. Windows made here belong to the
// calling thread and use a small window class of their own (registered once
// per class name, unless the program registered that name already). Its
// window procedure keeps WM_COPYDATA payloads for ReceiveWindowMessage,
// because that message is sent, not posted, and its data lives only while
// the sender waits.
#include "platform/windowing.h"

#include <windows.h>

#include <deque>

#include "platform/win/window_handle.h"
#include "platform/win_error.h"

namespace platform {
namespace {

using win::HwndOf;
using win::WindowHandleOf;

// WM_COPYDATA received by this thread's windows, oldest first.
thread_local std::deque<WindowMessage> copiedData;

LRESULT CALLBACK KeepingWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    WindowMessage kept;
    kept.window = WindowHandleOf(hwnd);
    kept.message = WM_COPYDATA;
    kept.wParam = wParam;  // the sender's window
    kept.lParam = static_cast<intptr_t>(copy->dwData);
    if (copy->lpData && copy->cbData > 0) kept.data.assign(static_cast<const char*>(copy->lpData), copy->cbData);
    copiedData.push_back(std::move(kept));
    return TRUE;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool EnsureWindowClass(const std::wstring& className) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = KeepingWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.lpszClassName = className.c_str();
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM collected) {
  reinterpret_cast<std::vector<WindowHandle>*>(collected)->push_back(WindowHandleOf(hwnd));
  return TRUE;
}

bool TakeCopiedData(WindowMessage* message) {
  if (copiedData.empty()) return false;
  *message = std::move(copiedData.front());
  copiedData.pop_front();
  return true;
}

// Messages at WM_USER and above are the program's own; the system's
// (paint, input, timers) go to their window procedures.
bool IsApplicationMessage(const MSG& msg) { return msg.hwnd != nullptr && msg.message >= WM_USER; }

}  // namespace

// Hidden, empty at 0,0, with the popup style so that no frame or caption
// imposes a minimum size.
WindowHandle CreateTopLevelWindow(const std::wstring& className, const std::wstring& title, WindowHandle owner) {
  if (!EnsureWindowClass(className)) return 0;
  HWND hwnd = CreateWindowExW(0, className.c_str(), title.c_str(), WS_POPUP, 0, 0, 0, 0, HwndOf(owner), nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  return WindowHandleOf(hwnd);
}

bool DestroyTopLevelWindow(WindowHandle window) { return DestroyWindow(HwndOf(window)) != FALSE; }

WindowHandle FindTopLevelWindow(const std::wstring& className, const std::wstring& title) {
  return WindowHandleOf(FindWindowW(className.empty() ? nullptr : className.c_str(),
                                    title.empty() ? nullptr : title.c_str()));
}

std::vector<WindowHandle> EnumTopLevelWindows() {
  std::vector<WindowHandle> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

uint32_t GetWindowProcessId(WindowHandle window) {
  DWORD processId = 0;
  if (GetWindowThreadProcessId(HwndOf(window), &processId) == 0) return 0;
  return processId;
}

bool IsWindowVisibleNow(WindowHandle window) { return IsWindowVisible(HwndOf(window)) != FALSE; }

bool IsWindowMinimized(WindowHandle window) { return IsIconic(HwndOf(window)) != FALSE; }

WindowHandle GetWindowOwner(WindowHandle window) { return WindowHandleOf(GetWindow(HwndOf(window), GW_OWNER)); }

bool ShowWindowAs(WindowHandle window, int command) { return ShowWindow(HwndOf(window), command) != FALSE; }

WindowHandle GetLastActivePopupOf(WindowHandle window) {
  return WindowHandleOf(GetLastActivePopup(HwndOf(window)));
}

bool SetForegroundWindowTo(WindowHandle window) { return SetForegroundWindow(HwndOf(window)) != FALSE; }

// SetFocus returns the window that had the focus before, which may be none,
// so success is read back: only windows of the calling thread can take it.
bool SetFocusTo(WindowHandle window) {
  HWND hwnd = HwndOf(window);
  SetFocus(hwnd);
  return hwnd != nullptr && GetFocus() == hwnd;
}

bool GetWindowRectOf(WindowHandle window, WindowRect* rect) {
  RECT r;
  if (!GetWindowRect(HwndOf(window), &r)) return false;
  *rect = {r.left, r.top, r.right, r.bottom};
  return true;
}

bool SetWindowRectOf(WindowHandle window, const WindowRect& rect) {
  return SetWindowPos(HwndOf(window), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                      SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

bool MoveWindowTo(WindowHandle window, int x, int y) {
  return SetWindowPos(HwndOf(window), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

// A null window would make PostMessageW post a thread message, which no
// window receives: it is refused as an invalid window instead.
bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (window == 0) {
    SetLastErrorCode(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  return PostMessageW(HwndOf(window), message, wParam, lParam) != FALSE;
}

// Runs this thread's message loop until an application message posted to
// one of its windows, or a WM_COPYDATA sent to one, arrives; everything
// else is dispatched on the way. WM_COPYDATA comes back with the sender's
// window in wParam, COPYDATASTRUCT.dwData in lParam and the bytes in data.
bool ReceiveWindowMessage(WindowMessage* message, uint32_t timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (IsApplicationMessage(msg)) {
        message->window = WindowHandleOf(msg.hwnd);
        message->message = msg.message;
        message->wParam = msg.wParam;
        message->lParam = msg.lParam;
        message->data.clear();
        return true;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      if (TakeCopiedData(message)) return true;
    }
    // Sent messages are delivered inside PeekMessageW, even when it finds
    // nothing to return.
    if (TakeCopiedData(message)) return true;
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) break;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  SetLastErrorCode(kErrorWaitTimeout);
  return false;
}

}  // namespace platform
