#include "system/client_sign.h"

#include <mutex>

#include "platform/registry.h"
#include "platform/system_info.h"
#include "platform/win_error.h"
#include "system/registry_read.h"
#include "system/text_convert.h"

namespace client_sign_internal {

void Xorshift128Plus::Seed(const unsigned char bytes[16]) {
  s0 = 0;
  s1 = 0;
  for (int i = 7; i >= 0; --i) {
    s0 = s0 << 8 | bytes[i];
    s1 = s1 << 8 | bytes[8 + i];
  }
}

uint64_t Xorshift128Plus::Next() {
  uint64_t t = s0;
  s0 = s1;
  t ^= t << 23;
  s1 = t ^ s0 ^ (t >> 18) ^ (s0 >> 5);
  return s1 + s0;
}

std::string GuidStringFrom(Xorshift128Plus* generator) {
  unsigned char random[16];
  for (int draw = 0; draw < 2; ++draw) {
    uint64_t value = generator->Next();
    for (int i = 0; i < 8; ++i) random[draw * 8 + i] = static_cast<unsigned char>(value >> (8 * i));
  }
  static const char kHex[] = "0123456789abcdef";
  std::string text = "{";
  size_t used = 0;
  for (char c : std::string("xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx")) {
    if (c != 'x' && c != 'y') {
      text += c;
      continue;
    }
    unsigned char byte = random[used / 2];
    unsigned nibble = used % 2 == 0 ? byte & 0xF : byte >> 4;
    text += c == 'x' ? kHex[nibble] : "89ab"[nibble & 3];
    ++used;
  }
  return text + "G}";
}

}  // namespace client_sign_internal

namespace {

constexpr size_t kClientSignChars = 49;

bool ReadClientSign(platform::RegRoot root, const std::wstring& key, platform::RegView view, std::wstring* sign) {
  return system_registry::ReadRegString(root, key, view, true, L"ClientSign", kClientSignChars, sign) &&
         !sign->empty();
}

void WriteClientSign(const std::wstring& key, const std::wstring& sign) {
  std::unique_ptr<platform::RegKey> opened;
  if (platform::OpenRegKey(platform::RegRoot::kLocalMachine, key, platform::kRegWrite, system_registry::View32(), true,
                           &opened) == platform::kErrorSuccess) {
    opened->SetValue(L"ClientSign", platform::MakeRegSz(sign));
  }
}

}  // namespace

std::wstring GetClientSign(const std::wstring& brand) {
  std::wstring keyA = L"Software\\" + brand + L"\\" + brand + L" Quayside\\";
  std::wstring keyB = L"Software\\" + brand + L"\\PEL\\";
  std::wstring sign;
  if (ReadClientSign(platform::RegRoot::kCurrentUser, keyA, platform::RegView::kDefault, &sign) ||
      ReadClientSign(platform::RegRoot::kLocalMachine, keyA, system_registry::View32(), &sign) ||
      ReadClientSign(platform::RegRoot::kLocalMachine, keyB, system_registry::View32(), &sign)) {
    return sign;
  }
  sign = Utf8ToWide(NewGuidString());
  WriteClientSign(keyA, sign);
  WriteClientSign(keyB, sign);
  return sign;
}

std::string NewGuidString() {
  // One generator for the process; the lock keeps concurrent callers from
  // interleaving a seed with another caller's draws.
  static std::mutex mutex;
  static client_sign_internal::Xorshift128Plus generator;
  std::lock_guard<std::mutex> lock(mutex);
  unsigned char seed[16];
  if (platform::FillCryptoRandom(seed, sizeof seed)) generator.Seed(seed);
  return client_sign_internal::GuidStringFrom(&generator);
}
