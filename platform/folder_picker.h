#pragma once
// The shell's folder picker (SHBrowseForFolderW).
#include <cstdint>
#include <string>

#include "platform/windowing.h"

namespace platform {

// BROWSEINFOW.ulFlags values that the installer uses.
enum BrowseFolderFlags : uint32_t {
  kBifReturnOnlyFsDirs = 0x0001,  // only file-system folders can be chosen
  kBifEditBox = 0x0010,           // the user may type a path
  kBifNewDialogStyle = 0x0040,    // the resizable dialog (needs COM on the thread)
};

// Roots of the picker's tree (CSIDL values, turned into the root item list
// with SHGetSpecialFolderLocation).
enum class PickerRoot : int {
  kDesktop = 0x00,  // CSIDL_DESKTOP
  kDrives = 0x11,   // CSIDL_DRIVES: the computer's drive list
};

// Shows the picker modally over `owner` (0: none) with `title` as the text
// above the tree. True with the chosen folder's path (SHGetPathFromIDListW)
// when the user confirms; false when the user cancels (kErrorCancelled) or
// the choice has no file-system path.
bool PickFolder(WindowHandle owner, const std::wstring& title, PickerRoot root, uint32_t flags,
                std::wstring* folder);

}  // namespace platform
