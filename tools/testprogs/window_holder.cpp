// Test program: window_holder CLASS TITLE WAIT_MS LAYOUT
// Creates top-level windows in the simulated machine, then waits up to
// WAIT_MS for a message posted to them and exits with its message number
// (0 when none came). LAYOUT:
//   visible  one shown window CLASS/TITLE
//   hidden   one window CLASS/TITLE that is never shown
//   owned    a hidden helper window, the shown window CLASS/TITLE and a shown
//            pop-up owned by it (titled TITLE + " popup")
#include <cstdlib>
#include <string>

#include "platform/process.h"
#include "platform/windowing.h"

namespace {
std::wstring Wide(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }
}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return 100;
  std::wstring className = Wide(argv[1]);
  std::wstring title = Wide(argv[2]);
  std::string layout = argv[4];
  if (layout == "owned") platform::CreateTopLevelWindow(L"Helper", L"");
  platform::WindowHandle main = platform::CreateTopLevelWindow(className, title);
  if (main == 0) return 101;
  if (layout != "hidden") platform::ShowWindowAs(main, platform::kSwShow);
  if (layout == "owned") {
    platform::WindowHandle popup = platform::CreateTopLevelWindow(L"Popup", title + L" popup", main);
    platform::ShowWindowAs(popup, platform::kSwShow);
  }
  platform::WindowMessage message;
  if (!platform::ReceiveWindowMessage(&message, static_cast<uint32_t>(atol(argv[3])))) return 0;
  platform::ExitCurrentProcess(message.message);
}
