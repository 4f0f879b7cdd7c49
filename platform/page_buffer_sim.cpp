#include <sys/mman.h>

#include <cerrno>

#include "platform/page_buffer.h"
#include "platform/sim/machine.h"
#include "platform/win_error.h"

namespace platform {

void* AllocatePages(size_t size) {
  if (size == 0) {
    SetLastErrorCode(kErrorInvalidParameter);
    return nullptr;
  }
  void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) {
    SetLastErrorCode(sim::WinErrorOf(errno));
    return nullptr;
  }
  return block;
}

void FreePages(void* block, size_t size) {
  if (block) munmap(block, size);
}

}  // namespace platform
