#include "engine/package_file_name.h"

#include <algorithm>
#include <cctype>

namespace ns_VYN {
namespace {

bool IsForbidden(unsigned char c) {
  return c < 0x20 || std::string("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string::npos;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices on Windows, also with
// an extension ("nul.exe").
bool IsDeviceName(const std::string& name) {
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  std::transform(stem.begin(), stem.end(), stem.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

std::string PackageFileName(const std::string& url) {
  size_t schemeEnd = url.find("://");
  size_t cut = url.find_first_of("?#", schemeEnd == std::string::npos ? 0 : schemeEnd + 3);
  std::string path = url.substr(0, cut);
  size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? std::string() : path.substr(slash + 1);

  for (char& c : name) {
    if (IsForbidden(static_cast<unsigned char>(c))) c = '_';
  }
  if (name.find_first_not_of('.') == std::string::npos) {
    name.assign(std::max<size_t>(name.size(), 1), '_');
  }
  for (size_t i = name.size(); i > 0 && (name[i - 1] == '.' || name[i - 1] == ' '); --i) {
    name[i - 1] = '_';
  }
  if (IsDeviceName(name)) name = std::string("_") + name;
  return name;
}

}  // namespace ns_VYN
