// Loading the embedded product configuration into the manager.
#include <cwchar>
#include <optional>

#include "manager/kiv_mgr.h"
#include "manager/save_folder.h"
#include "platform/clipboard.h"
#include "platform/resources.h"
#include "system/client_sign.h"
#include "system/log.h"
#include "system/os_info.h"
#include "system/registry_records.h"
#include "system/text_convert.h"
#include "telemetry/run_stats.h"

namespace {

constexpr const char* kProductResourceType = "XML";
constexpr int kProductResourceId = 106;

}  // namespace

bool KivMgr::LoadLocalXml() {
  Log(3, "[INFO] LoadLocalXml");
  std::optional<std::string> resource = platform::FindResourceData(kProductResourceType, kProductResourceId);
  if (!resource) {
    Log(1, "[ERROR] LoadLocalXml, find failed!");
    return false;
  }
  if (resource->empty()) {
    Log(1, "[ERROR] LoadLocalXml, size error!");
    return false;
  }
  ProductConfig config;
  switch (ReadProductConfig(Utf8ToWide(*resource), IsWow64(), &config)) {
    case ProductXmlResult::kNotWellFormed:
      Log(1, "[ERROR] LoadLocalXml err 3");
      return false;
    case ProductXmlResult::kNoProduct:
      Log(1, "[ERROR] LoadLocalXml, not find product.");
      return false;
    case ProductXmlResult::kOk:
      break;
  }
  productConfig = std::move(config);
  const ProductConfig& c = productConfig;
  TheRunStats().SetPlatformBase(c.ServerHost);
  saveFolder = SelectDownloadFolder(c.ProductBrand, false);
  Log(3, "[INFO] config folder=[%s].", WideToAnsi(saveFolder).c_str());
  runConfigPath = saveFolder + L"KIV_DOWNTASK_" + c.ProductID + L".xml";
  for (const DependentItem& item : c.itemsRead) {
    if (item.Qualifies()) {
      TheRunStats().SetTaskFlag(static_cast<int>(wcstol(item.ProductID.c_str(), nullptr, 10)), item.IsForced() ? 1 : 0);
    }
    Log(3, "[INFO] LoadLocalXml, dependent.item pid=[%s].", WideToAnsi(item.ProductID).c_str());
  }
  ReadClipboardTag();
  RecordChannel(c.AppID, c.ProductID, c.Channel);
  std::wstring customBase = ResolveCustomInstallPath();
  if (!customBase.empty()) defaultInstallBase = customBase;
  SetStatisticsTexts();
  // The product-series report to the product service joins here once the
  // service client exists; its outcome never changes this result.
  return true;
}

void KivMgr::ReadClipboardTag() {
  const ClipboardGroup& clip = productConfig.Clipboard;
  if (clip.Access != L"1" || clip.Keyword.empty()) return;
  std::string text;
  if (!platform::GetClipboardAnsiText(&text)) return;
  std::string keyword = WideToAnsi(clip.Keyword);
  if (text.compare(0, keyword.size(), keyword) == 0) clipboardTag = AnsiToWide(text);
}

void KivMgr::SetStatisticsTexts() {
  RunStats& stats = TheRunStats();
  stats.SetText("product_id", productConfig.ProductID);
  stats.SetText("client_sign", GetClientSign(productConfig.ProductBrand));
  stats.SetText("channel", productConfig.Channel);
  stats.SetText("defchannel", ReadDefaultChannel());
  stats.SetText("scene_code", productConfig.SceneCode);
}
