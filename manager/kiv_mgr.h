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
#include "config/server_xml.h"

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

  // Runtime configuration from the platform service, and the effective values
  // that combine it with the product configuration.
  //
  // Asks the platform service (or the static file beside the package) once,
  // reads the answer into runtimeConfig, merges its bind items into the
  // dependent list (a server item replaces the local one of the same id and
  // moves to the end) and writes the run statistics. Always true: a failed
  // request or an unreadable answer leaves everything as it was, so the
  // product configuration decides.
  bool LoadServerXml();
  // What the configuration event ("downloader_config") carries after the last
  // LoadServerXml.
  ConfigEventValues lastConfigEvent;

  // Server value when not empty, else the product configuration's.
  std::wstring DisplayName() const;
  std::wstring LicensePage() const;
  std::wstring LanguageList() const;
  std::wstring UserAgreementPage() const;
  std::wstring PrivacyAgreementPage() const;
  std::wstring InstallErrorPage() const;
  // The product's page: the local one unless Installurl/OnlyUseLocalUrl is
  // "0" and the server gives one.
  std::wstring InstallPage() const;
  // The banner page with its time parameter (empty before any answer).
  std::wstring BannerUrl() const;
  // The required .NET Framework version and installer URL: the server's pair
  // when both are set, else the local pair when both are set; false (both
  // empty) when the product needs none.
  bool DotNetRequirement(std::wstring* minVersion, std::wstring* url) const;
  // False only when the effective permission is "0": protected folders are
  // then refused as installation folder.
  bool IsAllowInstallAdminPath() const;
  // The product has no package for 32-bit Windows (logs which side decided).
  bool IsNotSupportX86() const;

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
