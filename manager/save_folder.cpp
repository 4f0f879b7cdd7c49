#include "manager/save_folder.h"

#include <cwctype>

#include "system/folders.h"
#include "system/installed_products.h"
#include "system/log.h"
#include "system/text_convert.h"
#include "platform/files.h"
#include "platform/environment.h"
#include "platform/win_error.h"

namespace {

std::wstring BrandDownloadFolder(const std::wstring& root, const std::wstring& brand) {
  return root + (brand.empty() ? L"" : brand + L"\\") + L"Download\\";
}

std::wstring WindowsDriveRoot() {
  std::wstring windir;
  if (platform::GetEnvironmentValue(L"windir", 260, &windir) == 0) return L"";
  return windir.substr(0, 3);
}

std::string Ansi(const std::wstring& text) { return WideToAnsi(text); }

bool EqualsIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (towlower(static_cast<wint_t>(a[i])) != towlower(static_cast<wint_t>(b[i]))) return false;
  }
  return true;
}

}  // namespace

std::wstring GetMaxFreeDiskFolder(const std::wstring& brand) {
  std::wstring best;
  uint64_t bestFree = 0;
  for (const auto& root : ListFixedDrives()) {
    uint64_t free = GetDiskFreeBytes(root);
    if (best.empty() || free > bestFree) {
      best = root;
      bestFree = free;
    }
  }
  if (!best.empty() && best == WindowsDriveRoot()) return GetPublicDataFolder(brand);
  std::wstring folder = BrandDownloadFolder(best, brand);
  if (!CreateFolderChain(folder)) Log(1, "[ERROR] create folder=[%s] failed!", Ansi(folder).c_str());
  return folder;
}

std::wstring SelectDownloadFolder(const std::wstring& brand, bool preferMaxFree) {
  std::wstring folder;
  if (!preferMaxFree) {
    for (const auto& root : ListFixedDrives()) {
      std::wstring candidate = BrandDownloadFolder(root, brand);
      if (platform::DirectoryExists(candidate)) {
        folder = candidate;
        break;
      }
    }
  }
  if (folder.empty()) folder = GetMaxFreeDiskFolder(brand);
  if (IsFolderWritable(folder)) return folder;
  Log(2, "[WARN] get default folder=[%s] failed, err=[%d].", Ansi(folder).c_str(),
      static_cast<int>(platform::GetLastErrorCode()));
  folder = GetSelfDataFolder(brand);
  if (IsFolderWritable(folder)) return folder;
  Log(2, "[WARN] get exe folder=[%s] failed, err=[%d].", Ansi(folder).c_str(),
      static_cast<int>(platform::GetLastErrorCode()));
  folder = GetTempDataFolder(brand);
  if (!IsFolderWritable(folder)) {
    Log(1, "[ERROR] get temp folder=[%s] failed! err=[%d].", Ansi(folder).c_str(),
        static_cast<int>(platform::GetLastErrorCode()));
  }
  return folder;
}

std::wstring ResolveCustomInstallPath(const std::wstring& serverPath, const std::wstring& localPath,
                                      const std::wstring& brand, uint32_t productId) {
  std::wstring path = serverPath.empty() ? localPath : serverPath;
  if (!path.empty()) {
    if (EqualsIgnoringCase(path, L"%localappdata%")) {
      path = GetShellUserLocalAppData();
    } else if (!platform::DirectoryExists(path.substr(0, 3))) {
      path.clear();
    }
    if (!path.empty()) return path;
  }
  std::wstring installed = GetInstalledPath(brand, productId);
  size_t at = installed.find(L"\\" + brand + L"\\");
  return at == std::wstring::npos ? L"" : installed.substr(0, at + 1);
}
