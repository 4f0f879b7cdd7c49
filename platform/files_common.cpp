// Whole-file reads and writes on top of OpenFile; the same for every backend.
#include <algorithm>

#include "platform/files.h"
#include "platform/win_error.h"

namespace platform {
namespace {
constexpr uint64_t kChunk = 1 << 20;
}

bool ReadWholeFile(const std::wstring& path, std::string* bytes, uint64_t maxSize) {
  // Others may keep the file open for writing (a log, say); reading still works.
  auto file = OpenFile(path, kAccessRead, kShareRead | kShareWrite, FileDisposition::kOpenExisting);
  uint64_t size = 0;
  if (!file || !file->GetSize(&size)) return false;
  if (size > maxSize) {
    SetLastErrorCode(kErrorFileTooLarge);
    return false;
  }
  bytes->assign(size, '\0');
  uint64_t offset = 0;
  while (offset < size) {
    uint32_t done = 0;
    uint32_t want = static_cast<uint32_t>(std::min(kChunk, size - offset));
    if (!file->ReadAt(offset, bytes->data() + offset, want, &done)) return false;
    if (done == 0) break;  // shrunk by another writer meanwhile
    offset += done;
  }
  bytes->resize(offset);
  return true;
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  // Open-or-create and cut, rather than CREATE_ALWAYS, so that a hidden file
  // keeps its attributes instead of being refused.
  auto file = OpenFile(path, kAccessWrite, kShareRead, FileDisposition::kOpenAlways);
  if (!file || !file->SetSize(0)) return false;
  uint64_t offset = 0;
  while (offset < bytes.size()) {
    uint32_t done = 0;
    uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(kChunk, bytes.size() - offset));
    if (!file->WriteAt(offset, bytes.data() + offset, want, &done)) return false;
    offset += done;
  }
  SetLastErrorCode(kErrorSuccess);
  return true;
}

}  // namespace platform
