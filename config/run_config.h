#pragma once
// The user's choices and the state of an unfinished download, kept between
// runs in the run configuration file.
#include <string>

struct RunConfig {
  std::wstring Status = L"0";
  std::wstring JoinExp;
  std::wstring SelectLang;
  std::wstring InstallPath;
  std::wstring AgreeExtInstall = L"1";
  std::wstring TmpPackagePath;
};
