#include "config/server_xml.h"

#include <cwchar>
#include <memory>

#include "config/xml_reader.h"
#include "system/text_convert.h"
#include "system/url_text.h"

namespace {

struct RuntimeField {
  const wchar_t* element;
  std::wstring RuntimeConfig::* field;
};

// The runtime fields in the order they are read.
constexpr RuntimeField kRuntimeFields[] = {
    {L"name", &RuntimeConfig::name},
    {L"version", &RuntimeConfig::version},
    {L"process_name", &RuntimeConfig::process_name},
    {L"install_url", &RuntimeConfig::install_url},
    {L"download_url_x64", &RuntimeConfig::download_url_x64},
    {L"download_url", &RuntimeConfig::download_url},
    {L"download_url_with_framework", &RuntimeConfig::download_url_with_framework},
    {L"download_url_net", &RuntimeConfig::download_url_net},
    {L"download_url_net_with_framework", &RuntimeConfig::download_url_net_with_framework},
    {L"banner_url", &RuntimeConfig::banner_url},
    {L"oiap_url", &RuntimeConfig::oiap_url},
    {L"user_agreement_url", &RuntimeConfig::user_agreement_url},
    {L"privacy_agreement_url", &RuntimeConfig::privacy_agreement_url},
    {L"md5", &RuntimeConfig::md5},
    {L"history_md5_32", &RuntimeConfig::history_md5_32},
    {L"md5_64", &RuntimeConfig::md5_64},
    {L"history_md5_64", &RuntimeConfig::history_md5_64},
    {L"filesize", &RuntimeConfig::filesize},
    {L"netfx_minver", &RuntimeConfig::netfx_minver},
    {L"netfxlite_url", &RuntimeConfig::netfxlite_url},
    {L"languages", &RuntimeConfig::languages},
    {L"Url_Jump", &RuntimeConfig::Url_Jump},
    {L"install_error_url", &RuntimeConfig::install_error_url},
    {L"custom_install_path", &RuntimeConfig::custom_install_path},
    {L"is_allow_install_admin_path", &RuntimeConfig::is_allow_install_admin_path},
    {L"not_support_win32", &RuntimeConfig::not_support_win32},
};

// A missing element keeps the field; an empty one empties it.
void ReadRuntime(const xml::Element& runtime, RuntimeConfig* config) {
  for (const RuntimeField& f : kRuntimeFields) {
    std::wstring& field = config->*f.field;
    field = runtime.ChildText(f.element, field);
  }
}

DependentItem ReadBindItem(const xml::Element& item) {
  DependentItem d = ReadDependentItem(item);
  d.md5 = item.ChildText(L"md5");
  d.history_md5_32 = item.ChildText(L"history_md5_32");
  d.md5_64 = item.ChildText(L"md5_64");
  d.history_md5_64 = item.ChildText(L"history_md5_64");
  d.filesize = item.ChildText(L"filesize");
  return d;
}

// With runtime present, bind counts only among the elements after it.
const xml::Element* FindBind(const xml::Element& downloader) {
  const auto& children = downloader.children;
  size_t from = 0;
  for (size_t i = 0; i < children.size(); ++i) {
    if (children[i]->name == L"runtime") {
      from = i + 1;
      break;
    }
  }
  for (size_t i = from; i < children.size(); ++i) {
    if (children[i]->name == L"bind") return children[i].get();
  }
  return nullptr;
}

}  // namespace

ServerXmlAnswer ReadServerXml(const std::string& answer, RuntimeConfig* config) {
  ServerXmlAnswer result;
  if (answer.size() > kMaxServerXmlBytes) return result;
  std::unique_ptr<xml::Element> root;
  std::string error;
  if (!xml::Parse(Utf8ToWide(answer), &root, &error) || root->name != L"twrp") return result;
  const xml::Element* downloader = root->Child(L"downloader");
  if (!downloader) return result;
  result.downloader = true;
  if (const xml::Element* runtime = downloader->Child(L"runtime")) {
    result.runtime = true;
    ReadRuntime(*runtime, config);
  }
  config->banner_url = AppendTimestampParam(config->banner_url);
  if (const xml::Element* bind = FindBind(*downloader)) {
    for (const auto& child : bind->children) {
      if (child->name == L"item") result.bindItems.push_back(ReadBindItem(*child));
    }
  }
  return result;
}

std::wstring KivVersionParam(const std::wstring& selfVersion) {
  if (selfVersion.empty()) return L"3.0.5";
  size_t third = selfVersion.find(L'.');
  if (third != std::wstring::npos) third = selfVersion.find(L'.', third + 1);
  if (third != std::wstring::npos) third = selfVersion.find(L'.', third + 1);
  return selfVersion.substr(0, third);
}

std::wstring ServerXmlUrl(const ProductConfig& product, const std::wstring& clientSign,
                          const std::wstring& selfVersion, bool wow64) {
  if (!product.AppID.empty() && !product.Channel.empty()) {
    const std::wstring& package = product.Downurl.Url_Down;
    size_t slash = package.rfind(L'/');
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : package.substr(0, slash);
    return folder + L"/xml/" + product.AppID + L"_" + product.Channel + L".xml";
  }
  return product.ServerHost + L"rest/v2/downloader/runtime/?client_sign=" + clientSign +
         L"&product_id=" + product.ProductID + L"&kiv=" + KivVersionParam(selfVersion) +
         L"&scene_code=" + product.SceneCode + L"&platform=" + (wow64 ? L"win_x64" : L"win_x86");
}

std::wstring JoinDigests(const std::vector<std::wstring>& digests) {
  std::wstring joined;
  for (const std::wstring& digest : digests) {
    if (digest.empty()) continue;
    if (!joined.empty()) joined += L',';
    joined += digest;
  }
  return joined;
}

ConfigEventValues ConfigEventFrom(const RuntimeConfig& config, int curlCode) {
  ConfigEventValues event;
  event.name = config.name;
  event.exe_name = config.process_name;
  event.pkg_size = wcstoll(config.filesize.c_str(), nullptr, 10);
  event.pkg_url = config.download_url;
  event.pkg_md5 = config.md5;
  event.x64_pkg_url = config.download_url_x64;
  event.x64_pkg_md5 = config.md5_64;
  event.error_code = curlCode;
  return event;
}
