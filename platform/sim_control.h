#pragma once
// Control of the simulated Windows machine (sim backend only): which machine
// profile and sandbox folder this process uses, and the sandbox journal.
//
// A process picks its machine from the environment on first use:
//   KIV_SIM_PROFILE  path of a machine profile (JSON); merged over the built-in one
//   KIV_SIM_SANDBOX  host folder that holds the drives, registry and journal
// Without them the built-in profile (64-bit Windows 10, en-US, administrator,
// one fixed drive C:) and a sandbox under the user's cache folder are used.
//
// Profile members (all optional, merged member by member over the built-in):
//   "user": account name;  "self_path": the running executable's Windows path
//   "os": {"major","minor","build","bits" (32/64),"wow64","rtl_version" (bool),
//          "version_info" (bool), "display_language"}
//   "admin": bool;  "elevation": "accept" | "decline";  "com_fails": bool
//   "locale": {"user_lcid","system_lcid","ansi_codepage","time_zone_bias" (minutes)}
//   "screen": {"width","height"};  "memory": {"available_mb"}
//   "random_fails": bool (the cryptographic random source can not be opened)
//   "drives": {"C": {"type": "fixed"|"removable"|..., "quota_mb": N}}
//   "env": {"NAME": "value" | null}
//   "folders": {"local_appdata","common_documents","desktop","shell_user_local_appdata"}
//   "registry": {"HKLM\\SOFTWARE\\Key": {"Value": "text" | 17 |
//                {"type": "REG_MULTI_SZ", "data": [..]}}}  (physical key paths:
//                the 32-bit view of HKLM\\SOFTWARE lives under WOW6432Node)
//   "clipboard": "ANSI text" | null
//   "folder_picker": "C:\\chosen" (the user picks it) | null (cancels);  "shell_delete_fails": bool
//   "hosts": {"name": ["127.0.0.2", ...]}
//   "programs": {"C:\\Windows\\System32\\cleanmgr.exe": "/host/program"}
//   "resources": {"XML/106": "text" | {"file": "host path"} | null (missing)}
//   "file_versions": {"C:\\path\\file.exe": "1.2.3.4"}
#include <string>
#include <vector>

namespace platform::sim {

// Switches this process to another machine: the profile text (JSON, merged
// over the built-in one) and the sandbox folder (created when missing). Also
// exported to the environment so that child processes share the machine.
bool UseMachine(const std::string& profileJson, const std::string& sandboxFolder,
                std::string* error);

std::string SandboxFolder();
// Host path of the journal: one JSON object a line, appended by shell opens,
// message boxes, window activations and other visible effects.
std::string JournalPath();
std::vector<std::string> ReadJournal();

}  // namespace platform::sim
