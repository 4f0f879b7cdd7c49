#pragma once
// The running executable, special folders, disks and the folders the
// installer keeps its data in. Folder texts returned here end in "\\".
#include <cstdint>
#include <string>
#include <vector>

// Full path of the running executable (at most 519 characters).
std::wstring GetSelfPath();
// The last component of GetSelfPath ("setup.exe").
std::wstring GetSelfFileName();

// The user's temporary folder (at most 259 characters); empty when the
// system does not report one.
std::wstring GetTempFolder();
// Program Files of a 32-bit process. Under WOW64 (PROCESSOR_ARCHITEW6432
// set): first = ProgramFiles(x86), second = the same without " (x86)",
// true when ProgramFiles(x86) exists. Otherwise first = ProgramFiles,
// second untouched, true when ProgramFiles exists. `first` ends in one "\\".
bool GetProgramFilesFolders(std::wstring* first, std::wstring* second);
// Inside the Windows folder or a Program Files folder of the system drive
// (case-sensitive, as the folder text is given); false when windir is unset.
bool IsProtectedInstallPath(const std::wstring& folder);
// Whether a file can be created in the folder; the probe file is removed.
bool IsFolderWritable(const std::wstring& folder);

// The all-users documents folder + name (default "Tarnwick") + "\\", created;
// empty when the shell does not report the documents folder.
std::wstring GetPublicDataFolder(const std::wstring& name);
// The temporary folder + name (default "Tarnwick") + "\\", created.
std::wstring GetTempDataFolder(const std::wstring& name);
// The executable's folder + name (default "Tarnwick") + "\\", created.
std::wstring GetSelfDataFolder(const std::wstring& name);
// Creates every prefix of `folder` that ends at a "\\" and does not exist
// yet. False when one of them can not be created.
bool CreateFolderChain(const std::wstring& folder);

// Free bytes available to the user on the folder's volume; 0 on failure.
uint64_t GetDiskFreeBytes(const std::wstring& folder);
// Roots ("C:\\") of the fixed drives, in the system's order.
std::vector<std::wstring> ListFixedDrives();
// Local application-data folder of the user who owns the desktop shell
// (differs from ours when we run elevated under another account); empty on
// failure.
std::wstring GetShellUserLocalAppData();
