#pragma once
// Named semaphores (CreateSemaphoreW): a cross-process marker whose name
// exists while any process holds a handle to it.
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

class NamedSemaphore {
 public:
  virtual ~NamedSemaphore() = default;  // closes the handle
};

// Creates or opens the semaphore `name`. `alreadyExisted` is set to whether
// the name existed before (GetLastError() == ERROR_ALREADY_EXISTS); the
// handle is returned in both cases. nullptr (last error set) on failure.
std::unique_ptr<NamedSemaphore> CreateNamedSemaphore(const std::wstring& name, int32_t initialCount,
                                                     int32_t maximumCount, bool* alreadyExisted);

}  // namespace platform
