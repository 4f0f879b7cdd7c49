// Named semaphores through CreateSemaphoreW.
#include "platform/semaphore.h"

#include <windows.h>

#include "platform/win/scoped_handle.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class WinSemaphore : public NamedSemaphore {
 public:
  explicit WinSemaphore(HANDLE handle) : handle_(handle) {}

 private:
  win::ScopedHandle handle_;
};

}  // namespace

std::unique_ptr<NamedSemaphore> CreateNamedSemaphore(const std::wstring& name, int32_t initialCount,
                                                     int32_t maximumCount, bool* alreadyExisted) {
  // An empty name would make an unnamed semaphore that no other process can see.
  if (name.empty()) {
    SetLastErrorCode(kErrorInvalidParameter);
    return nullptr;
  }
  HANDLE handle = CreateSemaphoreW(nullptr, initialCount, maximumCount, name.c_str());
  if (!handle) return nullptr;
  if (alreadyExisted) *alreadyExisted = GetLastError() == ERROR_ALREADY_EXISTS;
  return std::make_unique<WinSemaphore>(handle);
}

}  // namespace platform
