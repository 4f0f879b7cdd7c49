#pragma once
// Registry records that the installer writes or reads for itself: the
// channel record, compatibility layers and per-user flags.
#include <cstdint>
#include <string>

// Records `channel` under the value `valueName` (or `fallbackName` when that
// is empty) of the channel-record key, and as its default value when the key
// has none yet: the default keeps the first channel ever recorded.
void RecordChannel(const std::wstring& valueName, const std::wstring& fallbackName, const std::wstring& channel);
// The first channel ever recorded; empty when none.
std::wstring ReadDefaultChannel();
// Sets the compatibility layer (first 50 characters of `layer`) for the
// executable, in the 64-bit and the 32-bit view.
void SetCompatibilityLayer(const std::wstring& executablePath, const std::wstring& layer);
// A REG_DWORD under an existing HKCU key; reading gives 0 when missing.
uint32_t GetUserDword(const std::wstring& key, const std::wstring& valueName);
void SetUserDword(const std::wstring& key, const std::wstring& valueName, uint32_t value);
