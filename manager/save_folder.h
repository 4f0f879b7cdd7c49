#pragma once
// Where packages are saved and where the product is installed by default.
#include <cstdint>
#include <string>

// The save folder: unless preferMaxFree, the first fixed drive that already
// holds root + brand + "\\Download\\" (an earlier run's folder is reused);
// else the folder on the disk with most free space. An unwritable result
// falls back to the executable's folder, then to the temporary folder.
std::wstring SelectDownloadFolder(const std::wstring& brand, bool preferMaxFree);

// The folder on the fixed drive with most free space (the earlier drive on a
// tie): the public documents folder when that is the Windows drive, else
// root + brand + "\\Download\\", created.
std::wstring GetMaxFreeDiskFolder(const std::wstring& brand);

// The configured installation base (server value first, "%localappdata%"
// meaning the desktop user's local application data, dropped when its drive
// does not exist), else the base folder of an earlier installation; empty
// when neither gives one.
std::wstring ResolveCustomInstallPath(const std::wstring& serverPath, const std::wstring& localPath,
                                      const std::wstring& brand, uint32_t productId);
