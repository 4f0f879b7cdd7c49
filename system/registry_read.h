#pragma once
// Registry reads shared by the system queries: string values read into a
// buffer of a fixed number of characters, and the "32-bit view" that the
// installer's records live in.
#include <memory>
#include <string>

#include "platform/registry.h"

namespace system_registry {

// The view flag for keys that live in the 32-bit view: KEY_WOW64_32KEY under
// WOW64, no flag on 32-bit Windows.
platform::RegView View32();

// REG_SZ value `name` read into a buffer of maxChars characters plus the
// terminator; false when the value is missing, longer or of another type.
bool ReadRegString(platform::RegKey* key, const std::wstring& name, size_t maxChars, std::wstring* text);

// Opens root\subKey (read access; created empty when `create`) and reads
// one REG_SZ value as above.
bool ReadRegString(platform::RegRoot root, const std::wstring& subKey, platform::RegView view, bool create,
                   const std::wstring& name, size_t maxChars, std::wstring* text);

// The raw value read into maxChars characters plus the terminator.
bool QueryRegValue(platform::RegKey* key, const std::wstring& name, size_t maxChars, platform::RegValue* value);

}  // namespace system_registry
