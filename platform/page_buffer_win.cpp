#include <windows.h>

#include "platform/page_buffer.h"
#include "platform/win_error.h"

namespace platform {

void* AllocatePages(size_t size) {
  if (size == 0) {
    SetLastErrorCode(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* block = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!block) SetLastErrorCode(GetLastError());
  return block;
}

void FreePages(void* block, size_t) {
  if (block) VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace platform
