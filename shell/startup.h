#pragma once
// The start-up sequence and shutdown of the installer process.
#include <cstdint>
#include <string>

// Exit code of every failed start and of a second copy.
inline constexpr int kStartFailed = -1;

// Name of the single-instance semaphore: product name + "_kiv" (+ "_fork").
std::wstring SingleInstanceName(const std::wstring& productName, bool forkMode);

// HostHwnd as a signed decimal 32-bit number; false for any other text.
bool ParseHostHwnd(const std::wstring& text, int32_t* handle);

// Brings the running copy's main window (class "KIV", title = product name)
// to the front; nothing happens when there is none.
void ActivateExistingWindow(const std::wstring& title);
