// The registry through the Win32 registry API. Values pass through as the
// raw bytes Windows stores; the view flags go to every open and create.
#include <windows.h>

#include <vector>

#include "platform/registry.h"
#include "platform/win/scoped_handle.h"
#include "platform/win_error.h"

namespace platform {
namespace {

HKEY RootKey(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    case RegRoot::kCurrentUser: return HKEY_CURRENT_USER;
    case RegRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
  }
  return HKEY_CURRENT_USER;
}

// 32-bit Windows ignores both view flags: it has one view.
REGSAM Rights(uint32_t access, RegView view) {
  REGSAM rights = ((access & kRegRead) ? KEY_READ : 0) | ((access & kRegWrite) ? KEY_WRITE : 0);
  if (view == RegView::k32) rights |= KEY_WOW64_32KEY;
  if (view == RegView::k64) rights |= KEY_WOW64_64KEY;
  return rights;
}

class WinRegKey : public RegKey {
 public:
  explicit WinRegKey(HKEY key) : key_(key) {}

  uint32_t QueryValue(const std::wstring& name, RegValue* value, size_t maxBytes) override {
    // The size is asked for first, so a caller's large limit costs no large
    // buffer. Data that outgrows the limit gives ERROR_MORE_DATA with the
    // type, as RegQueryValueExW does with a buffer of maxBytes.
    while (true) {
      DWORD type = REG_NONE;
      DWORD size = 0;
      LSTATUS status = RegQueryValueExW(key_.get(), name.c_str(), nullptr, &type, nullptr, &size);
      if (status != ERROR_SUCCESS) return status;
      value->type = type;
      if (size > maxBytes) {
        value->data.clear();
        return ERROR_MORE_DATA;
      }
      value->data.assign(size, '\0');
      status = RegQueryValueExW(key_.get(), name.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(value->data.data()), &size);
      if (status == ERROR_MORE_DATA) continue;  // grown by another writer meanwhile
      if (status != ERROR_SUCCESS) return status;
      value->type = type;
      value->data.resize(size);
      return ERROR_SUCCESS;
    }
  }

  uint32_t SetValue(const std::wstring& name, const RegValue& value) override {
    // Windows looks one character past a text whose size leaves out the
    // terminator and counts it in when it is NUL: the data is followed by one
    // here, so what is stored does not depend on memory beyond the text.
    std::string data = value.data + std::string(2, '\0');
    return RegSetValueExW(key_.get(), name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(value.data.size()));
  }

  uint32_t DeleteValue(const std::wstring& name) override { return RegDeleteValueW(key_.get(), name.c_str()); }

  uint32_t EnumSubKey(uint32_t index, std::wstring* name, size_t maxChars) override {
    // RegEnumKeyExW counts the terminator in the buffer size.
    std::vector<wchar_t> buffer(maxChars + 1);
    DWORD chars = static_cast<DWORD>(buffer.size());
    LSTATUS status = RegEnumKeyExW(key_.get(), index, buffer.data(), &chars, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) name->assign(buffer.data(), chars);
    return status;
  }

  uint32_t CountSubKeys(uint32_t* count) override {
    DWORD subKeys = 0;
    LSTATUS status = RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) *count = subKeys;
    return status;
  }

 private:
  win::ScopedRegKey key_;
};

}  // namespace

uint32_t OpenRegKey(RegRoot root, const std::wstring& subKey, uint32_t access, RegView view, bool create,
                    std::unique_ptr<RegKey>* key) {
  HKEY opened = nullptr;
  LSTATUS status = create ? RegCreateKeyExW(RootKey(root), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                            Rights(access, view), nullptr, &opened, nullptr)
                          : RegOpenKeyExW(RootKey(root), subKey.c_str(), 0, Rights(access, view), &opened);
  if (status == ERROR_SUCCESS) *key = std::make_unique<WinRegKey>(opened);
  return status;
}

}  // namespace platform
