#include "manager/kiv_mgr.h"

#include "manager/save_folder.h"
#include "system/folders.h"
#include "system/log.h"
#include "system/os_info.h"
#include "system/process_launch.h"
#include "system/text_convert.h"
#include "telemetry/run_stats.h"

KivMgr::KivMgr() {
  std::wstring first, second;
  GetProgramFilesFolders(&first, &second);
  defaultInstallBase = IsWow64() ? second : first;
  // Opening the product's post-install page is part of the run's statistics.
  SetUrlOpenRecorder([](int64_t unixTime, int shellResult) {
    TheRunStats().SetInt64("installpageopentime", unixTime);
    TheRunStats().SetInt("installpageopencode", shellResult);
  });
}

void KivMgr::SetSelectLang(const std::wstring& displayName) {
  if (displayName.empty()) return;
  Log(3, "[INFO] set select lang=[%s].", WideToAnsi(displayName).c_str());
  runConfig.SelectLang = displayName;
}

std::wstring KivMgr::ResolveCustomInstallPath() const {
  return ::ResolveCustomInstallPath(runtimeConfig.custom_install_path, productConfig.CustomInstallPath,
                                    productConfig.ProductBrand,
                                    static_cast<uint32_t>(wcstoul(productConfig.ProductID.c_str(), nullptr, 10)));
}

KivMgr& TheKivMgr() {
  static KivMgr* manager = new KivMgr();  // lives until the process ends
  return *manager;
}
