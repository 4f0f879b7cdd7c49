// Deleting a registry key with everything below it, in a chosen view.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/registry.h"

namespace platform {
namespace {

HKEY RootHandle(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    case RegRoot::kCurrentUser: return HKEY_CURRENT_USER;
    case RegRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
  }
  return HKEY_CURRENT_USER;
}

REGSAM ViewFlag(RegView view) {
  return view == RegView::k32 ? KEY_WOW64_32KEY : view == RegView::k64 ? KEY_WOW64_64KEY : 0;
}

}  // namespace

uint32_t DeleteRegTree(RegRoot root, const std::wstring& subKey, RegView view) {
  // RegDeleteTreeW takes no view flag: the key is opened in its view,
  // emptied, then deleted with RegDeleteKeyExW, which takes one.
  HKEY key = nullptr;
  LONG result = RegOpenKeyExW(RootHandle(root), subKey.c_str(), 0, KEY_ALL_ACCESS | ViewFlag(view), &key);
  if (result != ERROR_SUCCESS) return static_cast<uint32_t>(result);
  result = RegDeleteTreeW(key, nullptr);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return static_cast<uint32_t>(result);
  return static_cast<uint32_t>(RegDeleteKeyExW(RootHandle(root), subKey.c_str(), ViewFlag(view), 0));
}

}  // namespace platform
