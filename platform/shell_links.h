#pragma once
// Shell links (".lnk" files) and the shell's own file deletion.
#include <string>

namespace platform {

// A shell link (CoCreateInstance(CLSID_ShellLink) for IShellLinkW, SetPath,
// SetWorkingDirectory) saved through IPersistFile::Save(linkPath, TRUE).
// COM must be initialised on the calling thread. False when any step fails,
// e.g. when the link's folder does not exist.
bool SaveShellLink(const std::wstring& linkPath, const std::wstring& targetPath,
                   const std::wstring& workingDirectory);

// SHFileOperationW(FO_DELETE) of one file with FOF_SILENT |
// FOF_NOCONFIRMATION | FOF_NOERRORUI: no progress, no question, no error box,
// and no recycle bin (FOF_ALLOWUNDO is not given). True when the operation
// reports success and was not aborted.
bool ShellDeleteFile(const std::wstring& path);

}  // namespace platform
