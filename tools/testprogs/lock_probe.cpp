// Test program: lock_probe WINDOWS_PATH
// Tries, in this order, to open the file for reading (sharing everything),
// to open it for writing and to delete it, and exits with a bit set for
// each that succeeded: 1 read, 2 write, 4 delete.
#include <string>

#include "platform/files.h"

int main(int argc, char** argv) {
  if (argc < 2) return 100;
  std::string arg = argv[1];
  std::wstring path(arg.begin(), arg.end());
  const uint32_t shareAll = platform::kShareRead | platform::kShareWrite | platform::kShareDelete;
  int result = 0;
  if (platform::OpenFile(path, platform::kAccessRead, shareAll, platform::FileDisposition::kOpenExisting)) result |= 1;
  if (platform::OpenFile(path, platform::kAccessWrite, shareAll, platform::FileDisposition::kOpenExisting)) result |= 2;
  if (platform::DeleteFileAt(path)) result |= 4;
  return result;
}
