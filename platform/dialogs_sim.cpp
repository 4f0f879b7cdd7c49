// Message boxes of the simulated machine: recorded in the sandbox journal
// ("message_box" with text, caption, flags and owner) and answered with OK.
#include "platform/dialogs.h"

#include "platform/sim/machine.h"

namespace platform {

int ShowMessageBox(uint32_t owner, const std::wstring& text, const std::wstring& caption, uint32_t flags) {
  sim::AppendJournal("message_box", {{"text", sim::Utf8Of(text)},
                                     {"caption", sim::Utf8Of(caption)},
                                     {"flags", std::to_string(flags)},
                                     {"owner", std::to_string(owner)}});
  return kIdOk;
}

}  // namespace platform
