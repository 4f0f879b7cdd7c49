#pragma once
// The system clipboard.
#include <string>

namespace platform {

// Opens the clipboard without an owner window, reads its CF_TEXT (ANSI code
// page) content and closes it again. False when it can not be opened or
// holds no text.
bool GetClipboardAnsiText(std::string* text);

}  // namespace platform
