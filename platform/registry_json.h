#pragma once
// Registry values as machine profiles write them (JSON), for the simulated
// registry's seed and for tests that put the same values into a real one.
#include <cjson/cJSON.h>

#include <string>

#include "platform/registry.h"

namespace platform {

// "text" (REG_SZ), a number (REG_DWORD) or {"type": "REG_...", "data": ...}
// with a number, a text, a list of texts (REG_MULTI_SZ) or hex digits
// (REG_BINARY). False for anything else.
bool RegValueFromJson(const cJSON* item, RegValue* value);

// "00ff10" -> the bytes 00 ff 10; a character that is no hex digit reads as 0.
std::string BytesOfHex(const std::string& hex);

}  // namespace platform
