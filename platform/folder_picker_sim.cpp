// The folder picker of the simulated machine: the profile's "folder_picker"
// text is the folder the user picks; without it (or null) the user cancels,
// and an empty text stands for a choice without a file-system path.
// Every showing is journaled ("folder_picker" with owner, title, root and
// flags) whatever the user does.
#include "platform/folder_picker.h"

#include "platform/sim/machine.h"
#include "platform/win_error.h"

namespace platform {

bool PickFolder(WindowHandle owner, const std::wstring& title, PickerRoot root, uint32_t flags,
                std::wstring* folder) {
  sim::AppendJournal("folder_picker", {{"owner", std::to_string(owner)},
                                       {"title", sim::Utf8Of(title)},
                                       {"root", std::to_string(static_cast<int>(root))},
                                       {"flags", std::to_string(flags)}});
  const cJSON* choice = sim::TheMachine().Item("folder_picker");
  if (!cJSON_IsString(choice)) {
    SetLastErrorCode(kErrorCancelled);
    return false;
  }
  if (choice->valuestring[0] == '\0') {
    SetLastErrorCode(kErrorFileNotFound);
    return false;
  }
  *folder = sim::WideOf(choice->valuestring);
  return true;
}

}  // namespace platform
