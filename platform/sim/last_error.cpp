#include "platform/win_error.h"

namespace platform {
namespace {
thread_local uint32_t lastError = kErrorSuccess;
}
uint32_t GetLastErrorCode() { return lastError; }
void SetLastErrorCode(uint32_t code) { lastError = code; }
}  // namespace platform
