// The thread's last error is Windows' own.
#include <windows.h>

#include "platform/win_error.h"

namespace platform {

uint32_t GetLastErrorCode() { return GetLastError(); }
void SetLastErrorCode(uint32_t code) { SetLastError(code); }

}  // namespace platform
