#include "shell/log_folder.h"

#include "system/folders.h"
#include "system/simple_log.h"
#include "system/text_convert.h"

void GetLogFolder(const std::string& fileName) {
  if (TheLogger()) return;
  std::wstring temp = GetTempFolder();
  std::wstring folder = temp + L"Tarnwick\\KIV\\";
  if (!CreateFolderChain(folder)) folder = temp;
  auto* logger = new simpleLog(WideToAnsi(folder) + fileName);  // lives until the process ends
  InstallLogger(logger);
  logger->Open();
}
