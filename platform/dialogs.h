#pragma once
// Modal message boxes (MessageBoxW). The sim backend records each box in the
// sandbox journal ("message_box") and answers with the default button.
#include <cstdint>
#include <string>

namespace platform {

enum MessageBoxFlags : uint32_t {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbYesNo = 0x4,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
};
inline constexpr int kIdOk = 1;

// owner 0: no owner window. Returns the button id pressed.
int ShowMessageBox(uint32_t owner, const std::wstring& text, const std::wstring& caption, uint32_t flags);

}  // namespace platform
