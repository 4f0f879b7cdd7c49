// The registry of the simulated machine: one JSON file in the sandbox,
// seeded from the profile's "registry" member, read and rewritten whole
// under a flock for every operation, so threads and processes share it.
//
// Stored paths are physical ("HKLM\\SOFTWARE\\WOW6432Node\\X"). On a 64-bit
// machine the 32-bit view of all of HKLM\SOFTWARE is redirected to
// WOW6432Node; Windows also shares a few sub-keys between the views and
// redirects parts of HKCR, which this registry does not model.
//
// A registry file that is not valid JSON is read as the profile's seed and
// replaced by the next write.
#include <algorithm>
#include <cjson/cJSON.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cwctype>

#include "platform/registry.h"
#include "platform/registry_json.h"
#include "platform/sim/machine.h"
#include "platform/win_error.h"

namespace platform {
namespace {

struct StoredValue {
  std::wstring name;
  RegValue value;
};
struct StoredKey {
  std::wstring path;
  std::vector<StoredValue> values;
};
using Store = std::vector<StoredKey>;  // keys in the order they were created

std::wstring Fold(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

std::vector<std::wstring> SplitPath(const std::wstring& path) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::wstring JoinPath(const std::vector<std::wstring>& parts) {
  std::wstring path;
  for (const auto& part : parts) path += (path.empty() ? L"" : L"\\") + part;
  return path;
}

StoredKey* FindKey(Store& store, const std::wstring& path) {
  std::wstring folded = Fold(path);
  for (auto& key : store) {
    if (Fold(key.path) == folded) return &key;
  }
  return nullptr;
}

StoredValue* FindValue(StoredKey& key, const std::wstring& name) {
  std::wstring folded = Fold(name);
  for (auto& value : key.values) {
    if (Fold(value.name) == folded) return &value;
  }
  return nullptr;
}

// Creates the key and every missing key above it; returns the key.
StoredKey& EnsureKey(Store& store, const std::wstring& path) {
  std::vector<std::wstring> parts = SplitPath(path);
  StoredKey* key = nullptr;
  for (size_t depth = 1; depth <= parts.size(); ++depth) {
    std::wstring partial = JoinPath({parts.begin(), parts.begin() + depth});
    key = FindKey(store, partial);
    if (!key) key = &store.emplace_back(StoredKey{partial, {}});
  }
  return *key;
}

std::string HexOf(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char b : bytes) hex += {kDigits[b >> 4], kDigits[b & 15]};
  return hex;
}

Store Seed() {
  Store store;
  for (const wchar_t* root : {L"HKLM\\SOFTWARE", L"HKCU\\Software", L"HKCR"}) EnsureKey(store, root);
  if (sim::TheMachine().Bool("os.wow64", false)) EnsureKey(store, L"HKLM\\SOFTWARE\\WOW6432Node");
  const cJSON* seed = sim::TheMachine().Item("registry");
  for (const cJSON* key = seed ? seed->child : nullptr; key; key = key->next) {
    std::vector<std::wstring> parts = SplitPath(sim::WideOf(key->string));
    if (parts.empty()) continue;
    parts[0] = Fold(parts[0]) == L"hklm" ? L"HKLM" : Fold(parts[0]) == L"hkcu" ? L"HKCU" : Fold(parts[0]) == L"hkcr" ? L"HKCR" : L"";
    if (parts[0].empty()) continue;
    StoredKey& stored = EnsureKey(store, JoinPath(parts));
    for (const cJSON* item = key->child; item; item = item->next) {
      RegValue value;
      if (!RegValueFromJson(item, &value)) continue;
      std::wstring name = sim::WideOf(item->string);
      if (StoredValue* existing = FindValue(stored, name)) existing->value = value;
      else stored.values.push_back({name, value});
    }
  }
  return store;
}

bool Parse(const std::string& text, Store* store) {
  cJSON* root = cJSON_Parse(text.c_str());
  const cJSON* keys = cJSON_GetObjectItemCaseSensitive(root, "keys");
  bool ok = cJSON_IsArray(keys);
  for (const cJSON* key = ok ? keys->child : nullptr; key; key = key->next) {
    const cJSON* path = cJSON_GetObjectItemCaseSensitive(key, "path");
    if (!cJSON_IsString(path)) continue;
    StoredKey stored{sim::WideOf(path->valuestring), {}};
    const cJSON* values = cJSON_GetObjectItemCaseSensitive(key, "values");
    for (const cJSON* v = cJSON_IsArray(values) ? values->child : nullptr; v; v = v->next) {
      const cJSON* name = cJSON_GetObjectItemCaseSensitive(v, "name");
      const cJSON* type = cJSON_GetObjectItemCaseSensitive(v, "type");
      const cJSON* data = cJSON_GetObjectItemCaseSensitive(v, "data");
      if (!cJSON_IsString(name) || !cJSON_IsNumber(type) || !cJSON_IsString(data)) continue;
      stored.values.push_back({sim::WideOf(name->valuestring),
                               {static_cast<uint32_t>(type->valuedouble), BytesOfHex(data->valuestring)}});
    }
    store->push_back(std::move(stored));
  }
  cJSON_Delete(root);
  return ok;
}

std::string Serialize(const Store& store) {
  cJSON* root = cJSON_CreateObject();
  cJSON* keys = cJSON_AddArrayToObject(root, "keys");
  for (const auto& key : store) {
    cJSON* item = cJSON_CreateObject();
    cJSON_AddStringToObject(item, "path", sim::Utf8Of(key.path).c_str());
    cJSON* values = cJSON_AddArrayToObject(item, "values");
    for (const auto& v : key.values) {
      cJSON* value = cJSON_CreateObject();
      cJSON_AddStringToObject(value, "name", sim::Utf8Of(v.name).c_str());
      cJSON_AddNumberToObject(value, "type", v.value.type);
      cJSON_AddStringToObject(value, "data", HexOf(v.value.data).c_str());
      cJSON_AddItemToArray(values, value);
    }
    cJSON_AddItemToArray(keys, item);
  }
  char* printed = cJSON_Print(root);
  std::string text = printed ? printed : "";
  cJSON_free(printed);
  cJSON_Delete(root);
  return text;
}

// The registry file held for one operation: loaded under the lock, written
// back atomically (temporary file and rename) when changed.
class Session {
 public:
  Session() : path_(sim::TheMachine().Sandbox() + "/registry.json") {
    lock_ = open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock_ >= 0) flock(lock_, LOCK_EX);
    std::string text;
    if (FILE* f = fopen(path_.c_str(), "rb")) {
      char buffer[4096];
      size_t n;
      while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
      fclose(f);
    }
    if (text.empty() || !Parse(text, &store_)) store_ = Seed();
  }
  ~Session() {
    if (lock_ >= 0) close(lock_);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Store& store() { return store_; }

  uint32_t Save() {
    std::string temp = path_ + ".tmp";
    std::string text = Serialize(store_);
    FILE* f = fopen(temp.c_str(), "wb");
    bool written = f && fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && fclose(f) != 0) written = false;
    return written && rename(temp.c_str(), path_.c_str()) == 0 ? kErrorSuccess : kErrorAccessDenied;
  }

 private:
  std::string path_;
  int lock_ = -1;
  Store store_;
};

class SimRegKey : public RegKey {
 public:
  SimRegKey(std::wstring path, uint32_t access) : path_(std::move(path)), access_(access) {}

  uint32_t QueryValue(const std::wstring& name, RegValue* value, size_t maxBytes) override {
    if (!(access_ & kRegRead)) return kErrorAccessDenied;
    Session session;
    StoredKey* key = FindKey(session.store(), path_);
    StoredValue* stored = key ? FindValue(*key, name) : nullptr;
    if (!stored) return kErrorFileNotFound;
    value->type = stored->value.type;
    // Like RegQueryValueExW: the type is reported even when the data does not fit.
    value->data = stored->value.data.size() > maxBytes ? std::string() : stored->value.data;
    return stored->value.data.size() > maxBytes ? kErrorMoreData : kErrorSuccess;
  }

  uint32_t SetValue(const std::wstring& name, const RegValue& value) override {
    if (!(access_ & kRegWrite)) return kErrorAccessDenied;
    Session session;
    StoredKey* key = FindKey(session.store(), path_);
    if (!key) return kErrorFileNotFound;
    RegValue kept = value;
    // Windows counts in a text's terminator that the size left out, when it
    // follows in memory, as it does after every RegValue's data.
    bool text = value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz;
    size_t size = kept.data.size();
    if (text && size >= 2 && size % 2 == 0 && (kept.data[size - 2] != 0 || kept.data[size - 1] != 0)) {
      kept.data.append(2, '\0');
    }
    if (StoredValue* stored = FindValue(*key, name)) stored->value = kept;
    else key->values.push_back({name, kept});
    return session.Save();
  }

  uint32_t DeleteValue(const std::wstring& name) override {
    if (!(access_ & kRegWrite)) return kErrorAccessDenied;
    Session session;
    StoredKey* key = FindKey(session.store(), path_);
    StoredValue* stored = key ? FindValue(*key, name) : nullptr;
    if (!stored) return kErrorFileNotFound;
    key->values.erase(key->values.begin() + (stored - key->values.data()));
    return session.Save();
  }

  uint32_t EnumSubKey(uint32_t index, std::wstring* name, size_t maxChars) override {
    if (!(access_ & kRegRead)) return kErrorAccessDenied;
    Session session;
    std::vector<std::wstring> children = Children(session.store());
    if (index >= children.size()) return kErrorNoMoreItems;
    if (children[index].size() > maxChars) return kErrorMoreData;
    *name = children[index];
    return kErrorSuccess;
  }

  uint32_t CountSubKeys(uint32_t* count) override {
    if (!(access_ & kRegRead)) return kErrorAccessDenied;
    Session session;
    *count = static_cast<uint32_t>(Children(session.store()).size());
    return kErrorSuccess;
  }

 private:
  // Names of the direct sub-keys, sorted ignoring letter case as Windows
  // enumerates them.
  std::vector<std::wstring> Children(const Store& store) const {
    std::wstring prefix = Fold(path_) + L"\\";
    std::vector<std::wstring> names;
    for (const auto& key : store) {
      if (key.path.size() <= prefix.size() || Fold(key.path.substr(0, prefix.size())) != prefix) continue;
      std::wstring rest = key.path.substr(prefix.size());
      if (rest.find(L'\\') == std::wstring::npos) names.push_back(rest);
    }
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b) { return Fold(a) < Fold(b); });
    return names;
  }

  std::wstring path_;
  uint32_t access_;
};

// The stored path of a key as a 32-bit process opens it with `view`.
std::wstring PhysicalPath(RegRoot root, const std::wstring& subKey, RegView view) {
  std::vector<std::wstring> parts = SplitPath(subKey);
  bool redirect = root == RegRoot::kLocalMachine && view != RegView::k64 &&
                  sim::TheMachine().Bool("os.wow64", false) && !parts.empty() && Fold(parts[0]) == L"software" &&
                  (parts.size() < 2 || Fold(parts[1]) != L"wow6432node");
  if (redirect) parts.insert(parts.begin() + 1, L"WOW6432Node");
  const wchar_t* rootName = root == RegRoot::kLocalMachine ? L"HKLM" : root == RegRoot::kCurrentUser ? L"HKCU" : L"HKCR";
  parts.insert(parts.begin(), rootName);
  return JoinPath(parts);
}

}  // namespace

uint32_t OpenRegKey(RegRoot root, const std::wstring& subKey, uint32_t access, RegView view, bool create,
                    std::unique_ptr<RegKey>* key) {
  // Only administrators change HKLM.
  bool protectedRoot = root == RegRoot::kLocalMachine && !sim::TheMachine().Bool("admin", true);
  if (protectedRoot && (access & kRegWrite)) return kErrorAccessDenied;
  std::wstring path = PhysicalPath(root, subKey, view);
  Session session;
  if (!FindKey(session.store(), path)) {
    if (!create) return kErrorFileNotFound;
    if (protectedRoot) return kErrorAccessDenied;
    EnsureKey(session.store(), path);
    uint32_t saved = session.Save();
    if (saved != kErrorSuccess) return saved;
  }
  *key = std::make_unique<SimRegKey>(path, access);
  return kErrorSuccess;
}

uint32_t DeleteRegTree(RegRoot root, const std::wstring& subKey, RegView view) {
  if (root == RegRoot::kLocalMachine && !sim::TheMachine().Bool("admin", true)) return kErrorAccessDenied;
  std::wstring path = Fold(PhysicalPath(root, subKey, view));
  Session session;
  Store& store = session.store();
  size_t before = store.size();
  std::erase_if(store, [&](const StoredKey& key) {
    std::wstring folded = Fold(key.path);
    return folded == path || folded.starts_with(path + L"\\");
  });
  return store.size() == before ? kErrorFileNotFound : session.Save();
}

}  // namespace platform
