#pragma once
// KivMgr: the installer's single manager. It holds everything that describes
// the run (product, runtime and run configuration, derived folders) and,
// as the installer grows, the tasks and the download engine.
#include <atomic>
#include <cstdint>
#include <string>

#include "config/product_config.h"
#include "config/run_config.h"
#include "config/runtime_config.h"

class KivMgr {
 public:
  KivMgr();

  // Loads the product configuration embedded in the executable and derives
  // the save folder, the run-configuration path, the default installation
  // base and the clipboard tag. False when the document is missing, empty,
  // not well-formed or not a product configuration.
  bool LoadLocalXml();

  // Stores the language the user (or, in fork mode, the host copy) chose.
  void SetSelectLang(const std::wstring& displayName);

  // The run configuration file at runConfigPath. Read replaces the fields
  // the file holds and sets resumeFlag from Status (a missing or broken file
  // reads as no previous run). Write and Delete do nothing to the file in
  // fork mode; Delete clears resumeFlag in every mode. Callable from any
  // thread; failures are logged only.
  void ReadRunConfig();
  void WriteRunConfig();
  void DeleteRunConfig();

  std::wstring ResolveCustomInstallPath() const;

  ProductConfig productConfig;
  RuntimeConfig runtimeConfig;
  RunConfig runConfig;
  std::atomic<bool> resumeFlag{false};  // the previous run left its downloads unfinished
  std::wstring saveFolder;
  std::wstring runConfigPath;
  std::wstring defaultInstallBase;
  std::wstring clipboardTag;

  bool forkMode = false;
  std::wstring hostVersion;
  int32_t hostHwnd = 0;
  uint32_t mainWindow = 0;

 private:
  void ReadClipboardTag();
  void SetStatisticsTexts();
};

// The process-wide manager.
KivMgr& TheKivMgr();
