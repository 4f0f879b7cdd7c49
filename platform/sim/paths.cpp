// Windows paths onto the sandbox, text conversions for host paths, errno mapping.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <cwctype>

#include "platform/sim/machine.h"
#include "platform/win_error.h"

namespace platform::sim {
namespace {

bool SameFolded(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

// The host name of `component` inside `folder`: the exact name when it
// exists, else the first entry that matches ignoring ASCII letter case.
std::string MatchComponent(const std::string& folder, const std::string& component) {
  struct stat st;
  std::string exact = folder + "/" + component;
  if (lstat(exact.c_str(), &st) == 0) return component;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return component;
  std::string found = component;
  while (dirent* entry = readdir(dir)) {
    if (SameFolded(entry->d_name, component)) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

}  // namespace

bool HostPathOf(const std::wstring& winPath, std::string* hostPath) {
  Machine& machine = TheMachine();
  if (winPath.size() < 2 || winPath[1] != L':' || !iswalpha(winPath[0])) {
    SetLastErrorCode(kErrorPathNotFound);
    return false;
  }
  if (!machine.Drive(winPath[0])) {
    SetLastErrorCode(kErrorPathNotFound);
    return false;
  }
  std::string path = machine.Sandbox() + "/" + static_cast<char>(towupper(winPath[0]));
  std::string rest = Utf8Of(winPath.substr(2));
  size_t pos = 0;
  while (pos < rest.size()) {
    size_t next = rest.find_first_of("\\/", pos);
    std::string component = rest.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
    pos = next == std::string::npos ? rest.size() : next + 1;
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      size_t cut = path.rfind('/');
      if (cut > machine.Sandbox().size() + 2) path.resize(cut);
      continue;
    }
    path += "/" + MatchComponent(path, component);
  }
  *hostPath = path;
  return true;
}

std::wstring WinPathOf(const std::string& hostPath) {
  const std::string& sandbox = TheMachine().Sandbox();
  if (hostPath.compare(0, sandbox.size() + 1, sandbox + "/") != 0 || hostPath.size() < sandbox.size() + 2) return L"";
  std::string rest = hostPath.substr(sandbox.size() + 1);  // "C/x/y"
  std::wstring win = WideOf(rest.substr(0, 1)) + L":\\" + WideOf(rest.size() > 2 ? rest.substr(2) : "");
  for (auto& c : win) c = c == L'/' ? L'\\' : c;
  return win;
}

std::string Utf8Of(const std::wstring& text) {
  std::string out;
  for (wchar_t wc : text) {
    uint32_t c = static_cast<uint32_t>(wc);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::wstring WideOf(const std::string& utf8) {
  std::wstring out;
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char b = static_cast<unsigned char>(utf8[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + extra >= utf8.size()) {
      out += L'?';
      ++i;
      continue;
    }
    uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char cont = static_cast<unsigned char>(utf8[i + k]);
      if ((cont & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (cont & 0x3F);
    }
    if (!ok) {
      out += L'?';
      ++i;
      continue;
    }
    out += static_cast<wchar_t>(c);
    i += extra + 1;
  }
  return out;
}

uint32_t WinErrorOf(int posixErrno) {
  switch (posixErrno) {
    case 0: return kErrorSuccess;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kErrorAccessDenied;
    case EEXIST: return kErrorAlreadyExists;
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case ENOMEM: return kErrorNotEnoughMemory;
    case EBADF: return kErrorInvalidHandle;
    case EINVAL: return kErrorInvalidParameter;
    default: return kErrorAccessDenied;
  }
}

}  // namespace platform::sim
