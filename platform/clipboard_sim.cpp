// The clipboard of the simulated machine: the profile's "clipboard" text
// (UTF-8 in the profile), handed out in the machine's ANSI code page as
// CF_TEXT would be. null or a missing member: the clipboard holds no text.
#include "platform/clipboard.h"

#include <cjson/cJSON.h>

#include "platform/codepage.h"
#include "platform/sim/machine.h"
#include "platform/system_info.h"
#include "platform/win_error.h"

namespace platform {
namespace {
constexpr uint32_t kErrorNotFound = 1168;
}

bool GetClipboardAnsiText(std::string* text) {
  const cJSON* clip = sim::TheMachine().Item("clipboard");
  if (!cJSON_IsString(clip)) {
    SetLastErrorCode(kErrorNotFound);
    return false;
  }
  return WideToMultiByte(GetAnsiCodePage(), sim::WideOf(clip->valuestring), text);
}

}  // namespace platform
