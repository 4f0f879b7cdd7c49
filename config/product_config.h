#pragma once
// The product configuration embedded in the executable: which product is
// installed, from where, under which brand, with which dependent products.
#include <string>
#include <vector>

namespace xml {
struct Element;
}

// One dependent product (a local Dependent/item; server bind/item entries
// fill the same record and add their digests and size).
struct DependentItem {
  std::wstring ProductID;
  std::wstring ProductName;
  std::wstring ProductExe;
  std::wstring Url_Down;
  std::wstring Url_Downx64;
  std::wstring ForceInstall = L"true";
  std::wstring ProductArg;
  std::wstring ProductInstallArg;
  std::wstring ProductInsCmple;
  std::wstring ForkInstall;
  // Only from the server's bind/item.
  std::wstring md5;
  std::wstring history_md5_32;
  std::wstring md5_64;
  std::wstring history_md5_64;
  std::wstring filesize;

  // Taken into the list only with an id and at least one package URL.
  bool Qualifies() const { return !ProductID.empty() && (!Url_Down.empty() || !Url_Downx64.empty()); }
  bool IsForced() const { return ForceInstall == L"true"; }
};

// The ten fields that a Dependent/item and a bind/item share, from one item
// element (ForceInstall "true" when missing); the digests and size stay empty.
DependentItem ReadDependentItem(const xml::Element& item);

struct DownurlGroup {
  std::wstring OnlyUseLocalUrl;
  std::wstring Url_Down;
};

struct InstallurlGroup {
  std::wstring OnlyUseLocalUrl;
  std::wstring Url_Install;
};

struct ClipboardGroup {
  std::wstring Access;
  std::wstring Keyword;
};

struct ProductConfig {
  std::wstring ProductSkin;
  std::wstring ProductBrand;
  std::wstring ProductName;
  std::wstring ProductExe;
  std::wstring ProductArg;
  std::wstring FoldBottom = L"1";
  std::wstring ProductInstallArg;
  std::wstring ProductInsCmple;
  std::wstring CustomInstallPath;
  std::wstring IsAllowInstallAdminPath;
  std::wstring ServerHost;
  std::wstring ProductID;
  std::wstring AppID;
  std::wstring Channel;
  DownurlGroup Downurl;
  DownurlGroup Downurl_x64;  // read only on 64-bit Windows
  std::wstring InstallTime;
  InstallurlGroup Installurl;
  std::wstring Url_License;
  std::wstring UserAgreementUrl;
  std::wstring PrivacyAgreementUrl;
  std::wstring Languages;
  std::wstring Dotnetminver;
  std::wstring Dotneturl;
  std::wstring AgreeUserLicense;
  std::wstring StartupProduct;
  std::wstring Url_Jump;
  std::wstring InstallErrorUrl;
  std::wstring InstallSalvageTitle;
  std::wstring InstallSalvageContent;
  std::wstring NotSupportWin32;
  std::wstring SceneCode;
  ClipboardGroup Clipboard;
  // Every Dependent/item of the document, in document order, qualifying or not.
  std::vector<DependentItem> itemsRead;
  // The items that qualify, in document order.
  std::vector<DependentItem> Dependent;
};

enum class ProductXmlResult {
  kOk,
  kNotWellFormed,  // the text is not a well-formed XML document
  kNoProduct,      // the root element is not Product
};

// Fills `config` from the document text, with the defaults for missing
// elements, the ServerHost ending in "/" and the licence page defaulted.
// `readX64`: the Downurl_x64 group is read (64-bit Windows only).
ProductXmlResult ReadProductConfig(const std::wstring& document, bool readX64, ProductConfig* config);
