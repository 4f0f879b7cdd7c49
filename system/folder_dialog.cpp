#include "system/folder_dialog.h"

#include "platform/folder_picker.h"

std::wstring BrowseForFolder(platform::WindowHandle owner, const std::wstring& title) {
  constexpr uint32_t kFlags = platform::kBifReturnOnlyFsDirs | platform::kBifEditBox | platform::kBifNewDialogStyle;
  std::wstring folder;
  if (!platform::PickFolder(owner, title, platform::PickerRoot::kDrives, kFlags, &folder)) return L"";
  return folder;
}
