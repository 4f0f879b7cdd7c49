#include "system/folders.h"

#include "platform/drives.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/system_info.h"
#include "platform/win_error.h"

namespace {

constexpr size_t kSelfPathChars = 519;
constexpr uint32_t kMaxPath = 260;  // MAX_PATH: 259 characters and the terminator
const wchar_t kDefaultDataName[] = L"Tarnwick";

bool ReadEnvironment(const std::wstring& name, std::wstring* value) {
  std::wstring read;
  uint32_t length = platform::GetEnvironmentValue(name, kMaxPath, &read);
  if (length == 0 || length >= kMaxPath) return false;
  *value = read;
  return true;
}

std::wstring WithOneTrailingBackslash(std::wstring folder) {
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder + L"\\";
}

std::wstring CreatedSubFolder(const std::wstring& base, const std::wstring& name) {
  std::wstring folder = base + (name.empty() ? kDefaultDataName : name) + L"\\";
  CreateFolderChain(folder);
  return folder;
}

}  // namespace

std::wstring GetSelfPath() { return platform::GetModulePath().substr(0, kSelfPathChars); }

std::wstring GetSelfFileName() {
  std::wstring path = GetSelfPath();
  return path.substr(path.rfind(L'\\') + 1);  // npos + 1 is 0: the whole text
}

std::wstring GetTempFolder() {
  std::wstring folder;
  uint32_t length = platform::GetTempPathValue(kMaxPath, &folder);
  if (length == 0 || length >= kMaxPath) return L"";
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

bool GetProgramFilesFolders(std::wstring* first, std::wstring* second) {
  std::wstring ignored;
  bool wow64 = platform::GetEnvironmentValue(L"PROCESSOR_ARCHITEW6432", kMaxPath, &ignored) != 0;
  std::wstring value;
  bool exists = ReadEnvironment(wow64 ? L"ProgramFiles(x86)" : L"ProgramFiles", &value);
  *first = exists ? WithOneTrailingBackslash(value) : L"";
  if (wow64) {
    *second = *first;
    size_t x86 = second->find(L" (x86)");
    if (x86 != std::wstring::npos) second->erase(x86, 6);
  }
  return exists;
}

bool IsProtectedInstallPath(const std::wstring& folder) {
  std::wstring windir;
  if (!ReadEnvironment(L"windir", &windir)) return false;
  std::wstring probe = folder + L"\\";
  std::wstring windows = windir + L"\\";
  std::wstring systemDrive = windows.substr(0, 3);
  for (const std::wstring& protectedFolder :
       {windows, systemDrive + L"Program Files\\", systemDrive + L"Program Files (x86)\\"}) {
    if (probe.find(protectedFolder) != std::wstring::npos) return true;
  }
  return false;
}

bool IsFolderWritable(const std::wstring& folder) {
  if (folder.empty()) return false;
  std::wstring probe = folder + (folder.back() == L'\\' ? L"" : L"\\") + L"kiv.tmp";
  {
    std::unique_ptr<platform::File> file = platform::OpenFile(probe, platform::kAccessWrite, platform::kShareNone,
                                                              platform::FileDisposition::kCreateAlways);
    if (!file) return false;
  }
  platform::DeleteFileAt(probe);
  return true;
}

bool CreateFolderChain(const std::wstring& folder) {
  for (size_t end = folder.find(L'\\'); end != std::wstring::npos; end = folder.find(L'\\', end + 1)) {
    std::wstring prefix = folder.substr(0, end + 1);
    // A drive root keeps its backslash; other folders are named without one.
    bool driveRoot = prefix.size() == 3 && prefix[1] == L':';
    if (!driveRoot) prefix.pop_back();
    if (prefix.empty()) continue;
    if (platform::DirectoryExists(prefix)) continue;
    if (!platform::CreateDirectoryAt(prefix) && platform::GetLastErrorCode() != platform::kErrorAlreadyExists) {
      return false;
    }
  }
  return true;
}

std::wstring GetPublicDataFolder(const std::wstring& name) {
  std::wstring documents;
  if (!platform::GetKnownFolderPath(platform::KnownFolder::kCommonDocuments, &documents)) return L"";
  return CreatedSubFolder(WithOneTrailingBackslash(documents), name);
}

std::wstring GetTempDataFolder(const std::wstring& name) { return CreatedSubFolder(GetTempFolder(), name); }

std::wstring GetSelfDataFolder(const std::wstring& name) {
  std::wstring self = GetSelfPath();
  return CreatedSubFolder(self.substr(0, self.rfind(L'\\') + 1), name);
}

uint64_t GetDiskFreeBytes(const std::wstring& folder) {
  uint64_t freeBytes = 0;
  return platform::GetDiskFreeBytesAvailable(folder, &freeBytes) ? freeBytes : 0;
}

std::vector<std::wstring> ListFixedDrives() {
  std::vector<std::wstring> fixed;
  for (const std::wstring& root : platform::GetLogicalDriveRoots()) {
    if (platform::GetDriveTypeOf(root) == platform::DriveType::kFixed) fixed.push_back(root);
  }
  return fixed;
}

std::wstring GetShellUserLocalAppData() { return platform::GetShellUserLocalAppDataPath(); }
