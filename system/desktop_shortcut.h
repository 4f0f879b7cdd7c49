#pragma once
// The installer's shortcut on the user's desktop, which starts it again.
#include <string>

// Saves the shortcut "<desktop>\<name>.lnk" to folder + "\" + name, working
// in `folder`. COM is initialised for the call and released again. When a
// step fails (COM, the desktop folder, the link) no shortcut is left and
// nothing else happens.
void CreateDesktopShortcut(const std::wstring& name, const std::wstring& folder);

// Deletes "<desktop>\<own file name>.lnk", the shortcut CreateDesktopShortcut
// makes for the running executable: silently through the shell, else by a
// plain delete. Nothing happens when the desktop folder is not known.
void DeleteSelfDesktopShortcut();
