#pragma once
// Ownership of Win32 handles that are released by a call of their own: kernel
// objects (CloseHandle), loaded modules (FreeLibrary), registry keys
// (RegCloseKey). Internal to the win32 backend.
#include <windows.h>

#include <utility>

namespace platform::win {

template <typename H, typename Release>
class Scoped {
 public:
  Scoped() = default;
  explicit Scoped(H handle) : handle_(handle) {}
  Scoped(Scoped&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Scoped& operator=(Scoped&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~Scoped() {
    if (valid()) Release()(handle_);
  }

  // CreateFileW reports failure as INVALID_HANDLE_VALUE, most other calls as
  // null; neither is released.
  bool valid() const { return handle_ != nullptr && handle_ != reinterpret_cast<H>(INVALID_HANDLE_VALUE); }
  H get() const { return handle_; }
  H* out() { return &handle_; }  // for calls that hand a new handle back; only on an empty holder

 private:
  H handle_ = nullptr;
};

struct CloseKernelHandle {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct FreeModule {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct CloseRegKey {
  void operator()(HKEY key) const { RegCloseKey(key); }
};

using ScopedHandle = Scoped<HANDLE, CloseKernelHandle>;
using ScopedModule = Scoped<HMODULE, FreeModule>;
using ScopedRegKey = Scoped<HKEY, CloseRegKey>;

}  // namespace platform::win
