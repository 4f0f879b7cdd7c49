#pragma once
// Asking the user for a folder.
#include <string>

#include "platform/windowing.h"

// The shell's folder picker over `owner`, rooted at the computer's drive
// list, offering file-system folders only, with an edit box and the newer
// dialog style. The chosen folder's path, or empty when the user cancels.
std::wstring BrowseForFolder(platform::WindowHandle owner, const std::wstring& title);
