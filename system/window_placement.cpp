#include "system/window_placement.h"

#include "platform/system_info.h"

bool CenterWindowOnScreen(platform::WindowHandle window) {
  platform::WindowRect rect;
  if (!platform::GetWindowRectOf(window, &rect)) return false;
  platform::ScreenSize screen = platform::GetPrimaryScreenSize();
  int x = (screen.width - (rect.right - rect.left)) / 2;
  int y = (screen.height - (rect.bottom - rect.top)) / 2;
  if (x < 0 || y < 0) return false;
  return platform::MoveWindowTo(window, x, y);
}
