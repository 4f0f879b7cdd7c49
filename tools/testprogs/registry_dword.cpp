// Test program: registry_dword SUBKEY NAME EXPECTED
// Exits with 0 when the REG_DWORD value NAME of HKLM\SUBKEY (the process's
// own registry view) equals EXPECTED, else with 1.
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/registry.h"
#include "platform/win_error.h"

int main(int argc, char** argv) {
  if (argc < 4) return 100;
  std::string subKey = argv[1];
  std::string name = argv[2];
  std::unique_ptr<platform::RegKey> key;
  if (platform::OpenRegKey(platform::RegRoot::kLocalMachine, std::wstring(subKey.begin(), subKey.end()),
                           platform::kRegRead, platform::RegView::kDefault, false, &key) != platform::kErrorSuccess) {
    return 1;
  }
  platform::RegValue value;
  uint32_t number = 0;
  bool found = key->QueryValue(std::wstring(name.begin(), name.end()), &value, sizeof number) ==
                   platform::kErrorSuccess &&
               platform::RegValueDword(value, &number);
  return found && number == strtoul(argv[3], nullptr, 10) ? 0 : 1;
}
