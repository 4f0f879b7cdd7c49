// Fetching the runtime configuration from the platform service into the manager.
#include <algorithm>
#include <cwchar>

#include "config/server_xml.h"
#include "engine/http_request.h"
#include "manager/kiv_mgr.h"
#include "system/client_sign.h"
#include "system/log.h"
#include "system/os_info.h"
#include "system/text_convert.h"
#include "system/version.h"
#include "telemetry/run_stats.h"

namespace {

// A server item replaces the first local item of the same id and goes to the
// end of the list; its force flag and digests join the run statistics.
void MergeBindItem(const DependentItem& item, std::vector<DependentItem>* dependents) {
  if (item.Qualifies()) {
    auto same = std::find_if(dependents->begin(), dependents->end(),
                             [&](const DependentItem& d) { return d.ProductID == item.ProductID; });
    if (same != dependents->end()) dependents->erase(same);
    dependents->push_back(item);
    int id = static_cast<int>(wcstol(item.ProductID.c_str(), nullptr, 10));
    TheRunStats().SetTaskFlag(id, item.IsForced() ? 1 : 0);
    TheRunStats().SetTaskDigests(id, JoinDigests({item.md5, item.history_md5_32, item.history_md5_64, item.md5_64}));
  }
  Log(3, "[INFO] LoadServerXml bind.item pid=[%s].", WideToAnsi(item.ProductID).c_str());
}

}  // namespace

bool KivMgr::LoadServerXml() {
  const ProductConfig& product = productConfig;
  std::wstring url = ServerXmlUrl(product, GetClientSign(product.ProductBrand), GetSelfVersion(), IsWow64());
  Log(3, "[INFO] LoadServerXml, url=[%s].", WideToAnsi(url).c_str());
  // One attempt: the request's own 5-second limits bound it, and without an
  // answer the product configuration's values serve.
  int curlCode = 0;
  std::string answer = ns_VYN::CurlRequest(ns_VYN::kCurlGet, url, {}, true, false, std::string(), &curlCode);
  ServerXmlAnswer read = ReadServerXml(answer, &runtimeConfig);
  if (!read.downloader) {
    Log(2, "[WARN] LoadServerXml, no runtime configuration in the answer (%u bytes).",
        static_cast<unsigned>(answer.size()));
  }
  if (read.runtime) Log(3, "[INFO] LoadServerXml downloader.runtime.");
  for (const DependentItem& item : read.bindItems) MergeBindItem(item, &productConfig.Dependent);

  // The event catalogue reports these values as "downloader_config" once it
  // exists; until then they are kept here.
  lastConfigEvent = ConfigEventFrom(runtimeConfig, curlCode);

  const RuntimeConfig& r = runtimeConfig;
  TheRunStats().SetText("serverxmlmd5", JoinDigests({r.md5, r.history_md5_32, r.history_md5_64, r.md5_64}));
  TheRunStats().SetText("xmlprodcutver", r.version);
  // The platform tracking id (FetchTrackId, stored as the run statistics'
  // tracking id) is requested here once the tracking client exists.
  return true;
}
