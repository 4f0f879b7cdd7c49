// Shell links of the simulated machine. A link is a small text file at the
// link path: "Target=<path>" and "WorkingDirectory=<path>" lines (UTF-8,
// CRLF), written with the file primitives so that missing folders and full
// drives fail as they would; each saved link is journaled ("shortcut").
// The shell's delete is a plain delete journaled as "shell_delete" with its
// result; a profile with "shell_delete_fails" true makes every such delete
// fail (access denied) so that callers' fallbacks can be exercised.
#include "platform/shell_links.h"

#include "platform/files.h"
#include "platform/sim/machine.h"
#include "platform/win_error.h"

namespace platform {

bool SaveShellLink(const std::wstring& linkPath, const std::wstring& targetPath,
                   const std::wstring& workingDirectory) {
  std::string text = "Target=" + sim::Utf8Of(targetPath) + "\r\nWorkingDirectory=" + sim::Utf8Of(workingDirectory) + "\r\n";
  if (!WriteWholeFile(linkPath, text)) return false;
  sim::AppendJournal("shortcut", {{"link", sim::Utf8Of(linkPath)},
                                  {"target", sim::Utf8Of(targetPath)},
                                  {"workdir", sim::Utf8Of(workingDirectory)}});
  return true;
}

bool ShellDeleteFile(const std::wstring& path) {
  bool deleted = false;
  if (sim::TheMachine().Bool("shell_delete_fails", false)) {
    SetLastErrorCode(kErrorAccessDenied);
  } else {
    deleted = DeleteFileAt(path);
  }
  sim::AppendJournal("shell_delete", {{"path", sim::Utf8Of(path)}, {"deleted", deleted ? "true" : "false"}});
  return deleted;
}

}  // namespace platform
