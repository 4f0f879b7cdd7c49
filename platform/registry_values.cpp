// Raw forms of registry values: UTF-16LE strings with terminator, DWORDs.
// The same on every backend (wchar_t is UTF-16 on Windows, UTF-32 on Linux).
#include "platform/registry.h"

namespace platform {
namespace {

void PutUnit(std::string* data, uint32_t unit) {
  data->push_back(static_cast<char>(unit & 0xFF));
  data->push_back(static_cast<char>(unit >> 8));
}

uint32_t UnitAt(const std::string& data, size_t index) {
  return static_cast<unsigned char>(data[2 * index]) | static_cast<unsigned char>(data[2 * index + 1]) << 8;
}

// The string that starts at UTF-16 unit `*index`, up to its NUL; `*index`
// moves past the NUL.
std::wstring TextAt(const std::string& data, size_t* index) {
  std::wstring text;
  size_t units = data.size() / 2;
  while (*index < units) {
    uint32_t unit = UnitAt(data, (*index)++);
    if (unit == 0) break;
    bool pair = unit >= 0xD800 && unit < 0xDC00 && *index < units && UnitAt(data, *index) >= 0xDC00 &&
                UnitAt(data, *index) < 0xE000;
    if (pair && sizeof(wchar_t) == 4) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (UnitAt(data, (*index)++) - 0xDC00);
    }
    text.push_back(static_cast<wchar_t>(unit));
  }
  return text;
}

bool IsTextType(uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

}  // namespace

RegValue MakeRegSz(const std::wstring& text, uint32_t type) {
  RegValue value;
  value.type = type;
  for (wchar_t wc : text) {
    uint32_t c = static_cast<uint32_t>(wc);
    if (c > 0x10FFFF) c = 0xFFFD;
    if (c > 0xFFFF) {  // only where wchar_t is 32 bits wide
      PutUnit(&value.data, 0xD800 + ((c - 0x10000) >> 10));
      PutUnit(&value.data, 0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      PutUnit(&value.data, c);
    }
  }
  PutUnit(&value.data, 0);
  return value;
}

RegValue MakeRegDword(uint32_t number) {
  RegValue value;
  value.type = kRegDword;
  for (int shift = 0; shift < 32; shift += 8) value.data.push_back(static_cast<char>((number >> shift) & 0xFF));
  return value;
}

std::wstring RegValueText(const RegValue& value) {
  size_t index = 0;
  return IsTextType(value.type) ? TextAt(value.data, &index) : std::wstring();
}

std::vector<std::wstring> RegValueMultiText(const RegValue& value) {
  std::vector<std::wstring> texts;
  size_t index = 0;
  while (IsTextType(value.type) && index < value.data.size() / 2) {
    std::wstring text = TextAt(value.data, &index);
    if (text.empty()) break;  // the empty string ends the list
    texts.push_back(text);
  }
  return texts;
}

bool RegValueDword(const RegValue& value, uint32_t* number) {
  if ((value.type != kRegDword && value.type != kRegDwordBigEndian) || value.data.size() != 4) return false;
  *number = 0;
  for (int i = 0; i < 4; ++i) {
    int byte = value.type == kRegDword ? 3 - i : i;  // most significant first
    *number = (*number << 8) | static_cast<unsigned char>(value.data[byte]);
  }
  return true;
}

}  // namespace platform
