// The folder picker through SHBrowseForFolderW.
#include "platform/folder_picker.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/win/window_handle.h"
#include "platform/win_error.h"

namespace platform {

bool PickFolder(WindowHandle owner, const std::wstring& title, PickerRoot root, uint32_t flags,
                std::wstring* folder) {
  HWND ownerWindow = win::HwndOf(owner);
  PIDLIST_ABSOLUTE rootItem = nullptr;
  // Without its item list the tree starts at the desktop, which still
  // holds every drive.
  if (FAILED(SHGetSpecialFolderLocation(ownerWindow, static_cast<int>(root), &rootItem))) rootItem = nullptr;
  wchar_t displayName[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = ownerWindow;
  info.pidlRoot = rootItem;
  info.pszDisplayName = displayName;
  info.lpszTitle = title.c_str();
  info.ulFlags = flags;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  CoTaskMemFree(rootItem);
  if (!chosen) {
    SetLastErrorCode(kErrorCancelled);
    return false;
  }
  wchar_t path[MAX_PATH] = {};
  bool hasPath = SHGetPathFromIDListW(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  if (!hasPath) {
    SetLastErrorCode(kErrorFileNotFound);
    return false;
  }
  *folder = path;
  return true;
}

}  // namespace platform
