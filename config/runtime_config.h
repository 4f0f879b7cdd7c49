#pragma once
// The runtime configuration that the platform service returns; a non-empty
// server value wins over the embedded product configuration's.
#include <string>

struct RuntimeConfig {
  std::wstring custom_install_path;
};
