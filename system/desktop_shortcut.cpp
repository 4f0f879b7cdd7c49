#include "system/desktop_shortcut.h"

#include "platform/com.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/shell_links.h"
#include "platform/win_error.h"
#include "system/folders.h"
#include "system/log.h"
#include "system/text_convert.h"

namespace {

// "<desktop>\<name>.lnk"; false when the shell does not report the desktop.
bool DesktopLinkPath(const std::wstring& name, std::wstring* link) {
  std::wstring desktop;
  if (!platform::GetKnownFolderPath(platform::KnownFolder::kDesktopDirectory, &desktop)) return false;
  *link = desktop + L"\\" + name + L".lnk";
  return true;
}

}  // namespace

void CreateDesktopShortcut(const std::wstring& name, const std::wstring& folder) {
  uint32_t comError = 0;
  if (!platform::InitializeComApartment(&comError)) {
    Log(2, "[WARN] desktop shortcut: COM init failed, hr=[0x%08X].", comError);
    return;
  }
  std::wstring link;
  if (!DesktopLinkPath(name, &link)) {
    Log(2, "[WARN] desktop shortcut: no desktop folder.");
  } else if (!platform::SaveShellLink(link, folder + L"\\" + name, folder)) {
    Log(2, "[WARN] desktop shortcut not saved, path=[%s], err=[%u].", WideToAnsi(link).c_str(),
        platform::GetLastErrorCode());
  }
  platform::UninitializeCom();
}

void DeleteSelfDesktopShortcut() {
  std::wstring link;
  if (!DesktopLinkPath(GetSelfFileName(), &link)) return;
  if (!platform::ShellDeleteFile(link)) platform::DeleteFileAt(link);
}
