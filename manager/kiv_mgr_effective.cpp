// The effective values of the run: the runtime configuration's value where
// the platform service gave one, else the product configuration's.
#include "manager/kiv_mgr.h"
#include "system/log.h"
#include "system/text_convert.h"

namespace {

const std::wstring& ServerFirst(const std::wstring& server, const std::wstring& local) {
  return server.empty() ? local : server;
}

}  // namespace

std::wstring KivMgr::DisplayName() const { return ServerFirst(runtimeConfig.name, productConfig.ProductName); }

std::wstring KivMgr::LicensePage() const { return ServerFirst(runtimeConfig.oiap_url, productConfig.Url_License); }

std::wstring KivMgr::LanguageList() const { return ServerFirst(runtimeConfig.languages, productConfig.Languages); }

std::wstring KivMgr::UserAgreementPage() const {
  return ServerFirst(runtimeConfig.user_agreement_url, productConfig.UserAgreementUrl);
}

std::wstring KivMgr::PrivacyAgreementPage() const {
  return ServerFirst(runtimeConfig.privacy_agreement_url, productConfig.PrivacyAgreementUrl);
}

std::wstring KivMgr::InstallErrorPage() const {
  return ServerFirst(runtimeConfig.install_error_url, productConfig.InstallErrorUrl);
}

std::wstring KivMgr::InstallPage() const {
  const InstallurlGroup& local = productConfig.Installurl;
  if (local.OnlyUseLocalUrl == L"0" && !runtimeConfig.install_url.empty()) return runtimeConfig.install_url;
  return local.Url_Install;
}

std::wstring KivMgr::BannerUrl() const { return runtimeConfig.banner_url; }

bool KivMgr::DotNetRequirement(std::wstring* minVersion, std::wstring* url) const {
  const RuntimeConfig& r = runtimeConfig;
  const ProductConfig& p = productConfig;
  if (!r.netfx_minver.empty() && !r.netfxlite_url.empty()) {
    *minVersion = r.netfx_minver;
    *url = r.netfxlite_url;
  } else if (!p.Dotnetminver.empty() && !p.Dotneturl.empty()) {
    *minVersion = p.Dotnetminver;
    *url = p.Dotneturl;
  } else {
    minVersion->clear();
    url->clear();
    return false;
  }
  return true;
}

bool KivMgr::IsAllowInstallAdminPath() const {
  return ServerFirst(runtimeConfig.is_allow_install_admin_path, productConfig.IsAllowInstallAdminPath) != L"0";
}

bool KivMgr::IsNotSupportX86() const {
  const std::wstring& local = productConfig.NotSupportWin32;
  const std::wstring& server = runtimeConfig.not_support_win32;
  Log(3, "[INFO] IsNotSupportX86 local config = %s", WideToAnsi(local).c_str());
  Log(3, "[INFO] IsNotSupportX86 server config = %s", WideToAnsi(server).c_str());
  if (!server.empty()) {
    Log(3, "[INFO] IsNotSupportX86 use server judge");
    return server == L"1";
  }
  Log(3, "[INFO] IsNotSupportX86 use local judge");
  return local == L"1";
}
