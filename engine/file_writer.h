#pragma once
// Where range transfers put their bytes: positioned writes into the
// download's temporary file. CMultiDownloader implements it by forwarding to
// its CCacheFile (WriteFileData without truncation).
#include <cstdint>

namespace ns_VYN {

class IFileWriter {
 public:
  virtual ~IFileWriter() = default;
  // Writes `count` bytes at file offset `offset`; the count on success, 0 on
  // failure (logged by the writer). Called from range-transfer threads.
  virtual int64_t Write(int64_t offset, int64_t count, const void* bytes) = 0;
};

}  // namespace ns_VYN
