#include "config/product_config.h"

#include <memory>

#include "config/deployment.h"
#include "config/xml_reader.h"

namespace {

void ReadDownurl(const xml::Element* group, DownurlGroup* out) {
  if (!group) return;
  out->OnlyUseLocalUrl = group->ChildText(L"OnlyUseLocalUrl");
  out->Url_Down = group->ChildText(L"Url_Down");
}

void ReadBasics(const xml::Element& p, ProductConfig* c) {
  c->ProductSkin = p.ChildText(L"ProductSkin");
  c->ProductBrand = p.ChildText(L"ProductBrand");
  c->ProductName = p.ChildText(L"ProductName");
  c->ProductExe = p.ChildText(L"ProductExe");
  c->ProductArg = p.ChildText(L"ProductArg");
  c->FoldBottom = p.ChildText(L"FoldBottom", L"1");
  c->ProductInstallArg = p.ChildText(L"ProductInstallArg");
  c->ProductInsCmple = p.ChildText(L"ProductInsCmple");
  c->CustomInstallPath = p.ChildText(L"CustomInstallPath");
  c->IsAllowInstallAdminPath = p.ChildText(L"IsAllowInstallAdminPath");
  c->ServerHost = p.ChildText(L"ServerHost", deployment::kDefaultServerHost);
  if (!c->ServerHost.empty() && c->ServerHost.back() != L'/') c->ServerHost += L'/';
  c->ProductID = p.ChildText(L"ProductID");
  c->AppID = p.ChildText(L"AppID");
  c->Channel = p.ChildText(L"Channel");
}

void ReadLinksAndRequirements(const xml::Element& p, ProductConfig* c) {
  c->InstallTime = p.ChildText(L"InstallTime");
  if (const xml::Element* group = p.Child(L"Installurl")) {
    c->Installurl.OnlyUseLocalUrl = group->ChildText(L"OnlyUseLocalUrl");
    c->Installurl.Url_Install = group->ChildText(L"Url_Install");
  }
  c->Url_License = p.ChildText(L"Url_License");
  if (c->Url_License.empty()) c->Url_License = deployment::kDefaultLicenseUrl;
  c->UserAgreementUrl = p.ChildText(L"UserAgreementUrl");
  c->PrivacyAgreementUrl = p.ChildText(L"PrivacyAgreementUrl");
  c->Languages = p.ChildText(L"Languages");
  c->Dotnetminver = p.ChildText(L"Dotnetminver");
  c->Dotneturl = p.ChildText(L"Dotneturl");
  c->AgreeUserLicense = p.ChildText(L"AgreeUserLicense");
  c->StartupProduct = p.ChildText(L"StartupProduct");
  c->Url_Jump = p.ChildText(L"Url_Jump");
  c->InstallErrorUrl = p.ChildText(L"InstallErrorUrl");
  c->InstallSalvageTitle = p.ChildText(L"InstallSalvageTitle");
  c->InstallSalvageContent = p.ChildText(L"InstallSalvageContent");
  c->NotSupportWin32 = p.ChildText(L"NotSupportWin32");
  c->SceneCode = p.ChildText(L"SceneCode");
}

}  // namespace

DependentItem ReadDependentItem(const xml::Element& item) {
  DependentItem d;
  d.ProductID = item.ChildText(L"ProductID");
  d.ProductName = item.ChildText(L"ProductName");
  d.ProductExe = item.ChildText(L"ProductExe");
  d.Url_Down = item.ChildText(L"Url_Down");
  d.Url_Downx64 = item.ChildText(L"Url_Downx64");
  d.ForceInstall = item.ChildText(L"ForceInstall", L"true");
  d.ProductArg = item.ChildText(L"ProductArg");
  d.ProductInstallArg = item.ChildText(L"ProductInstallArg");
  d.ProductInsCmple = item.ChildText(L"ProductInsCmple");
  d.ForkInstall = item.ChildText(L"ForkInstall");
  return d;
}

ProductXmlResult ReadProductConfig(const std::wstring& document, bool readX64, ProductConfig* config) {
  std::unique_ptr<xml::Element> root;
  std::string error;
  if (!xml::Parse(document, &root, &error)) return ProductXmlResult::kNotWellFormed;
  if (root->name != L"Product") return ProductXmlResult::kNoProduct;
  ProductConfig c;
  ReadBasics(*root, &c);
  ReadDownurl(root->Child(L"Downurl"), &c.Downurl);
  if (readX64) ReadDownurl(root->Child(L"Downurl_x64"), &c.Downurl_x64);
  ReadLinksAndRequirements(*root, &c);
  if (const xml::Element* dependent = root->Child(L"Dependent")) {
    for (const auto& child : dependent->children) {
      if (child->name != L"item") continue;
      c.itemsRead.push_back(ReadDependentItem(*child));
      if (c.itemsRead.back().Qualifies()) c.Dependent.push_back(c.itemsRead.back());
    }
  }
  if (const xml::Element* clipboard = root->Child(L"Clipboard")) {
    c.Clipboard.Access = clipboard->ChildText(L"Access");
    if (c.Clipboard.Access == L"1") c.Clipboard.Keyword = clipboard->ChildText(L"Keyword");
  }
  *config = std::move(c);
  return ProductXmlResult::kOk;
}
