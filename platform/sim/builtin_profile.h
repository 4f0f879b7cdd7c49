#pragma once
// The machine a sim process gets when no profile is given: 64-bit Windows 10,
// en-US, an administrator, one fixed drive C: with plenty of space.
namespace platform::sim {

inline constexpr const char* kBuiltinProfile = R"JSON({
  "user": "me",
  "self_path": "C:\\Users\\me\\Downloads\\kiv.exe",
  "os": {"major": 10, "minor": 0, "build": 19045, "bits": 64, "wow64": true,
         "rtl_version": true, "version_info": true},
  "admin": true,
  "elevation": "accept",
  "com_fails": false,
  "random_fails": false,
  "locale": {"user_lcid": 1033, "system_lcid": 1033, "ansi_codepage": 1252},
  "screen": {"width": 1920, "height": 1080},
  "drives": {"C": {"type": "fixed"}},
  "folders": {
    "local_appdata": "C:\\Users\\me\\AppData\\Local",
    "common_documents": "C:\\Users\\Public\\Documents",
    "desktop": "C:\\Users\\me\\Desktop"
  },
  "registry": {
    "HKCU\\Control Panel\\Desktop\\MuiCached": {
      "MachinePreferredUILanguages": {"type": "REG_MULTI_SZ", "data": ["en-US"]}
    },
    "HKLM\\SOFTWARE\\WOW6432Node\\Microsoft\\Internet Explorer": {"Version": "9.11.19041.0"}
  },
  "clipboard": null,
  "hosts": {},
  "programs": {},
  "resources": {},
  "file_versions": {}
})JSON";

}  // namespace platform::sim
