#pragma once
// Large I/O buffers taken straight from the system's virtual memory and
// given back to it when freed. A download creates and ends ranges all the
// time, each with a buffer of up to 5 MiB; through the C heap those blocks
// would stay in the process (a freed block is kept for reuse, in whichever
// thread's arena it came from), so the memory in use would grow with the
// number of ranges ever made rather than the number running.
#include <cstddef>
#include <memory>

namespace platform {

// Zero-filled pages for `size` bytes, or null (last error set).
void* AllocatePages(size_t size);
// Gives back a block from AllocatePages of that `size`; null is ignored.
void FreePages(void* block, size_t size);

// Owner of one AllocatePages block.
class PageBuffer {
 public:
  PageBuffer() = default;
  ~PageBuffer() { Reset(); }
  PageBuffer(const PageBuffer&) = delete;
  PageBuffer& operator=(const PageBuffer&) = delete;

  // Frees the current block and takes a new one; false when it can not be had.
  bool Allocate(size_t size) {
    Reset();
    data_ = static_cast<char*>(AllocatePages(size));
    size_ = data_ ? size : 0;
    return data_ != nullptr;
  }
  void Reset() {
    FreePages(data_, size_);
    data_ = nullptr;
    size_ = 0;
  }
  char* get() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace platform
