#pragma once
// The runtime configuration that the platform service returns; a non-empty
// server value wins over the embedded product configuration's. Every field
// keeps its content until an answer carries its element (an empty element
// empties it), so the fields are empty until the first answer.
#include <string>

struct RuntimeConfig {
  bool operator==(const RuntimeConfig&) const = default;

  std::wstring name;          // display name
  std::wstring version;       // product version offered by the service
  std::wstring process_name;  // reported with the configuration event only
  std::wstring install_url;
  std::wstring download_url_x64;
  std::wstring download_url;
  // Read and kept; nothing uses them.
  std::wstring download_url_with_framework;
  std::wstring download_url_net;
  std::wstring download_url_net_with_framework;
  std::wstring banner_url;  // carries the cache-busting "_t=" parameter once read
  std::wstring oiap_url;    // licence page
  std::wstring user_agreement_url;
  std::wstring privacy_agreement_url;
  std::wstring md5;  // digests of the 32-bit and 64-bit packages, hex text
  std::wstring history_md5_32;
  std::wstring md5_64;
  std::wstring history_md5_64;
  std::wstring filesize;  // of the 32-bit package, decimal bytes
  std::wstring netfx_minver;
  std::wstring netfxlite_url;
  std::wstring languages;
  std::wstring Url_Jump;
  std::wstring install_error_url;
  std::wstring custom_install_path;
  std::wstring is_allow_install_admin_path;
  std::wstring not_support_win32;
};
