#pragma once
// The registry with Windows semantics: roots, keys opened with access rights
// and an optional view flag (KEY_WOW64_32KEY / KEY_WOW64_64KEY), typed values.
// Results are Windows error codes (kErrorSuccess, kErrorFileNotFound, ...).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

enum class RegRoot { kClassesRoot, kCurrentUser, kLocalMachine };

enum class RegView {
  kDefault,  // no view flag: the process's own view (32-bit under WOW64)
  k32,       // KEY_WOW64_32KEY
  k64,       // KEY_WOW64_64KEY
};

enum RegAccess : uint32_t { kRegRead = 1, kRegWrite = 2, kRegAll = 3 };

enum RegType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegDwordBigEndian = 5,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// A value as RegQueryValueExW hands it out: type and raw bytes (strings are
// UTF-16LE with their terminator, DWORDs four bytes little-endian).
struct RegValue {
  uint32_t type = kRegNone;
  std::string data;
};

class RegKey {
 public:
  virtual ~RegKey() = default;
  // maxBytes: the caller's buffer size; larger data gives kErrorMoreData.
  virtual uint32_t QueryValue(const std::wstring& name, RegValue* value, size_t maxBytes) = 0;
  virtual uint32_t SetValue(const std::wstring& name, const RegValue& value) = 0;
  virtual uint32_t DeleteValue(const std::wstring& name) = 0;
  // RegEnumKeyExW: kErrorNoMoreItems past the last sub-key; names longer
  // than maxChars give kErrorMoreData.
  virtual uint32_t EnumSubKey(uint32_t index, std::wstring* name, size_t maxChars) = 0;
  virtual uint32_t CountSubKeys(uint32_t* count) = 0;
};

// RegOpenKeyExW (create false) or RegCreateKeyExW (create true). The empty
// value name is the key's default value.
uint32_t OpenRegKey(RegRoot root, const std::wstring& subKey, uint32_t access, RegView view,
                    bool create, std::unique_ptr<RegKey>* key);

// RegDeleteTreeW and RegDeleteKeyExW: deletes the key `subKey` of `view`
// with all its sub-keys and values. kErrorFileNotFound when it is missing.
uint32_t DeleteRegTree(RegRoot root, const std::wstring& subKey, RegView view);

// Helpers that build and read the raw forms.
RegValue MakeRegSz(const std::wstring& text, uint32_t type = kRegSz);
RegValue MakeRegDword(uint32_t value);
// REG_SZ/REG_EXPAND_SZ/REG_MULTI_SZ data as text (up to the first NUL).
std::wstring RegValueText(const RegValue& value);
// REG_MULTI_SZ data as its list of strings.
std::vector<std::wstring> RegValueMultiText(const RegValue& value);
// REG_DWORD or REG_DWORD_BIG_ENDIAN data as a number; false for other types.
bool RegValueDword(const RegValue& value, uint32_t* number);

}  // namespace platform
