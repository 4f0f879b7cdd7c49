#include "platform/registry_json.h"

#include <cstdint>

#include "platform/codepage.h"

namespace platform {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;  // not a digit: read as zero
}

std::string LittleEndian(uint64_t number, int bytes) {
  std::string data;
  for (int i = 0; i < bytes; ++i) data.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
  return data;
}

std::wstring WideOfUtf8(const char* utf8) {
  std::wstring text;
  MultiByteToWide(kCodePageUtf8, utf8, &text);
  return text;
}

}  // namespace

std::string BytesOfHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(HexDigit(hex[i]) << 4 | HexDigit(hex[i + 1])));
  }
  return bytes;
}

bool RegValueFromJson(const cJSON* item, RegValue* value) {
  if (cJSON_IsString(item)) *value = MakeRegSz(WideOfUtf8(item->valuestring));
  if (cJSON_IsNumber(item)) *value = MakeRegDword(static_cast<uint32_t>(item->valuedouble));
  if (cJSON_IsString(item) || cJSON_IsNumber(item)) return true;
  const cJSON* type = cJSON_GetObjectItemCaseSensitive(item, "type");
  const cJSON* data = cJSON_GetObjectItemCaseSensitive(item, "data");
  if (!cJSON_IsString(type) || !data) return false;
  std::string name = type->valuestring;
  uint64_t number = cJSON_IsNumber(data) ? static_cast<uint64_t>(data->valuedouble) : 0;
  std::wstring text = cJSON_IsString(data) ? WideOfUtf8(data->valuestring) : L"";
  if (name == "REG_SZ") *value = MakeRegSz(text, kRegSz);
  else if (name == "REG_EXPAND_SZ") *value = MakeRegSz(text, kRegExpandSz);
  else if (name == "REG_DWORD") *value = MakeRegDword(static_cast<uint32_t>(number));
  else if (name == "REG_QWORD") *value = {kRegQword, LittleEndian(number, 8)};
  else if (name == "REG_BINARY") *value = {kRegBinary, BytesOfHex(cJSON_IsString(data) ? data->valuestring : "")};
  else if (name == "REG_DWORD_BIG_ENDIAN") {
    std::string bytes = LittleEndian(number, 4);
    *value = {kRegDwordBigEndian, std::string(bytes.rbegin(), bytes.rend())};
  } else if (name == "REG_MULTI_SZ") {
    std::wstring joined;  // each string with its NUL; MakeRegSz adds the final one
    for (const cJSON* s = cJSON_IsArray(data) ? data->child : nullptr; s; s = s->next) {
      if (cJSON_IsString(s)) joined += WideOfUtf8(s->valuestring) + L'\0';
    }
    *value = MakeRegSz(joined, kRegMultiSz);
  } else {
    return false;
  }
  return true;
}

}  // namespace platform
