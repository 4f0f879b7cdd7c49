// The machine fixture on Windows: the real machine, changed only where a
// profile asks for what it can take (registry values, environment variables)
// and checked where a profile states what it already is (bitness,
// administrator, locale). Every change is undone.
#include <cjson/cJSON.h>

#include <optional>

#include "platform/codepage.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry_json.h"
#include "platform/security.h"
#include "platform/system_info.h"
#include "platform/testing/scratch_fixture.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/win_error.h"

namespace platform::testing {
namespace {

std::wstring WideOfUtf8(const char* utf8) {
  std::wstring text;
  MultiByteToWide(kCodePageUtf8, utf8, &text);
  return text;
}

// Key and variable names compare case-blind.
std::wstring Lower(const std::wstring& text) {
  std::wstring lower;
  for (wchar_t c : text) lower += (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c;
  return lower;
}

std::vector<std::wstring> SplitKeyPath(const std::wstring& path) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    std::wstring part = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (!part.empty()) parts.push_back(part);
    start = end == std::wstring::npos ? path.size() + 1 : end + 1;
  }
  return parts;
}

std::wstring JoinKeyPath(std::vector<std::wstring>::const_iterator first, std::vector<std::wstring>::const_iterator last) {
  std::wstring path;
  for (auto it = first; it != last; ++it) path += (path.empty() ? L"" : L"\\") + *it;
  return path;
}

// Where a profile's physical key path lies for the registry functions.
struct KeyPlace {
  RegRoot root = RegRoot::kCurrentUser;
  std::wstring subKey;
  RegView view = RegView::kDefault;
  bool software = false;      // below HKLM\SOFTWARE, where the views part
  bool thirtyTwoBit = false;  // below WOW6432Node
};

bool PlaceOf(const std::wstring& path, bool realWow64, KeyPlace* place) {
  std::vector<std::wstring> parts = SplitKeyPath(path);
  if (parts.size() < 2) return false;
  if (Lower(parts[0]) == L"hkcu") {
    place->root = RegRoot::kCurrentUser;
  } else if (Lower(parts[0]) == L"hklm") {
    place->root = RegRoot::kLocalMachine;
  } else {
    return false;  // HKCR merges two places; no test needs it written
  }
  place->software = place->root == RegRoot::kLocalMachine && Lower(parts[1]) == L"software";
  place->thirtyTwoBit = place->software && parts.size() > 2 && Lower(parts[2]) == L"wow6432node";
  if (place->thirtyTwoBit) parts.erase(parts.begin() + 2);
  place->subKey = JoinKeyPath(parts.begin() + 1, parts.end());
  if (place->software && realWow64) place->view = place->thirtyTwoBit ? RegView::k32 : RegView::k64;
  return true;
}

// The locale members that this machine shows as they are, by name.
std::optional<int64_t> RealLocaleMember(const std::string& name) {
  if (name == "user_lcid") return GetUserDefaultLocaleId();
  if (name == "system_lcid") return GetSystemDefaultLocaleId();
  if (name == "ansi_codepage") return GetAnsiCodePage();
  if (name == "time_zone_bias") return GetTimeZoneBiasMinutes();
  return std::nullopt;
}

bool RealWow64() { return QueryWow64Process().isWow64; }

// Why this machine can not be the one `profile` describes; empty when it can.
std::string Unrealizable(const cJSON* profile) {
  bool profileWow64 = true;  // the built-in profile is 64-bit Windows
  bool bitnessMatters = false;
  for (const cJSON* m = profile->child; m; m = m->next) {
    const std::string name = m->string;
    if (name == "env") continue;
    if (name == "os") {
      bitnessMatters = true;
      for (const cJSON* o = m->child; o; o = o->next) {
        if (std::string(o->string) == "wow64") profileWow64 = cJSON_IsTrue(o);
        else if (std::string(o->string) == "bits") profileWow64 = profileWow64 && o->valuedouble == 64;
        else return "\"os\" member \"" + std::string(o->string) + "\"";
      }
    } else if (name == "admin") {
      bool admin = CheckAdministratorsMembership() == AdminMembership::kMember;
      if (cJSON_IsTrue(m) != admin) return std::string("\"admin\": ") + (admin ? "false" : "true");
    } else if (name == "locale") {
      for (const cJSON* l = m->child; l; l = l->next) {
        std::optional<int64_t> real = RealLocaleMember(l->string);
        if (!real || *real != static_cast<int64_t>(l->valuedouble)) {
          return "\"locale\" member \"" + std::string(l->string) + "\" (" + std::to_string(static_cast<int64_t>(l->valuedouble)) +
                 (real ? ", this machine has " + std::to_string(*real) : "") + ")";
        }
      }
    } else if (name == "registry") {
      for (const cJSON* k = m->child; k; k = k->next) {
        KeyPlace place;
        if (!PlaceOf(WideOfUtf8(k->string), RealWow64(), &place)) return "registry key \"" + std::string(k->string) + "\"";
        bitnessMatters = bitnessMatters || place.software;
        if (place.thirtyTwoBit && !profileWow64) return "registry key \"" + std::string(k->string) + "\" on 32-bit Windows";
      }
    } else {
      return "\"" + name + "\"";
    }
  }
  if (bitnessMatters && profileWow64 != RealWow64()) {
    return std::string("\"os\": ") + (profileWow64 ? "64" : "32") + "-bit Windows (this machine is " +
           (RealWow64() ? "64" : "32") + "-bit)";
  }
  return "";
}

}  // namespace

struct MachineTest::Backend {
  struct SavedValue {
    KeyPlace place;
    std::wstring name;
    bool existed = false;
    RegValue value;
  };
  std::wstring scratchParent;  // the real temporary folder, before any profile
  std::vector<std::pair<std::wstring, std::optional<std::wstring>>> savedEnv;
  std::vector<SavedValue> savedValues;
  std::vector<KeyPlace> createdKeys;  // the topmost key each seed created

  void SetEnv(const std::wstring& name, const cJSON* value);
  void SeedKey(const KeyPlace& place, const cJSON* values);
  void Undo();
};

void MachineTest::Backend::SetEnv(const std::wstring& name, const cJSON* value) {
  bool saved = false;
  for (const auto& entry : savedEnv) saved = saved || Lower(entry.first) == Lower(name);
  if (!saved) {
    std::wstring original;
    bool exists = GetEnvironmentValue(name, 32767, &original) != 0 || GetLastErrorCode() == kErrorSuccess;
    savedEnv.emplace_back(name, exists ? std::optional<std::wstring>(original) : std::nullopt);
  }
  std::wstring text = cJSON_IsString(value) ? WideOfUtf8(value->valuestring) : L"";
  EXPECT_TRUE(SetEnvironmentValue(name, cJSON_IsString(value) ? text.c_str() : nullptr)) << value->string;
}

void MachineTest::Backend::SeedKey(const KeyPlace& place, const cJSON* values) {
  std::vector<std::wstring> parts = SplitKeyPath(place.subKey);
  KeyPlace created = place;
  created.subKey.clear();
  for (size_t n = 1; n <= parts.size() && created.subKey.empty(); ++n) {
    std::unique_ptr<RegKey> existing;
    std::wstring prefix = JoinKeyPath(parts.begin(), parts.begin() + n);
    if (OpenRegKey(place.root, prefix, kRegRead, place.view, false, &existing) != kErrorSuccess) created.subKey = prefix;
  }
  std::unique_ptr<RegKey> key;
  ASSERT_EQ(OpenRegKey(place.root, place.subKey, kRegAll, place.view, true, &key), kErrorSuccess) << values->string;
  if (!created.subKey.empty()) createdKeys.push_back(created);
  for (const cJSON* item = values->child; item; item = item->next) {
    std::wstring name = WideOfUtf8(item->string);
    if (created.subKey.empty()) {  // a key of the machine: its value comes back afterwards
      SavedValue saved{place, name};
      saved.existed = key->QueryValue(name, &saved.value, 1 << 20) == kErrorSuccess;
      savedValues.push_back(saved);
    }
    RegValue value;
    if (cJSON_IsNull(item)) {
      key->DeleteValue(name);
    } else {
      ASSERT_TRUE(RegValueFromJson(item, &value)) << item->string;
      ASSERT_EQ(key->SetValue(name, value), kErrorSuccess) << item->string;
    }
  }
}

void MachineTest::Backend::Undo() {
  for (auto it = savedValues.rbegin(); it != savedValues.rend(); ++it) {
    std::unique_ptr<RegKey> key;
    if (OpenRegKey(it->place.root, it->place.subKey, kRegAll, it->place.view, false, &key) != kErrorSuccess) continue;
    if (it->existed) key->SetValue(it->name, it->value);
    else key->DeleteValue(it->name);
  }
  for (auto it = createdKeys.rbegin(); it != createdKeys.rend(); ++it) DeleteRegTree(it->root, it->subKey, it->view);
  for (const auto& [name, value] : savedEnv) SetEnvironmentValue(name, value ? value->c_str() : nullptr);
  savedValues.clear();
  createdKeys.clear();
  savedEnv.clear();
}

MachineTest::MachineTest() : backend_(std::make_unique<Backend>()) {
  GetTempPathValue(32767, &backend_->scratchParent);
  backend_->scratchParent += L"KivMachine\\";
}

MachineTest::~MachineTest() = default;

void MachineTest::UseProfile(const std::string& profileJson) {
  backend_->Undo();
  DeleteClaimedKeys();
  if (!scratch_.empty()) {  // emptied, under the same name
    RemoveFolderTree(scratch_.substr(0, scratch_.size() - 1));
    EXPECT_TRUE(CreateDirectoryAt(scratch_.substr(0, scratch_.size() - 1)));
  }

  std::unique_ptr<cJSON, decltype(&cJSON_Delete)> profile(cJSON_Parse(profileJson.c_str()), cJSON_Delete);
  ASSERT_TRUE(cJSON_IsObject(profile.get())) << "the machine profile is not a JSON object: " << profileJson;
  std::string missing = Unrealizable(profile.get());
  if (!missing.empty()) GTEST_SKIP() << "this machine can not take the profile's " << missing;
  const cJSON* env = cJSON_GetObjectItemCaseSensitive(profile.get(), "env");
  for (const cJSON* e = env ? env->child : nullptr; e; e = e->next) backend_->SetEnv(WideOfUtf8(e->string), e);
  const cJSON* registry = cJSON_GetObjectItemCaseSensitive(profile.get(), "registry");
  for (const cJSON* k = registry ? registry->child : nullptr; k; k = k->next) {
    KeyPlace place;
    PlaceOf(WideOfUtf8(k->string), RealWow64(), &place);
    backend_->SeedKey(place, k);
    if (HasFatalFailure()) return;
  }
}

void MachineTest::RequireSimulatedMachine(const std::string& why) {
  GTEST_SKIP() << "needs the simulated machine: " << why;
}

std::wstring MachineTest::MakeScratch() { return MakeUniqueFolder(backend_->scratchParent); }

void MachineTest::TearDown() {
  backend_->Undo();
  DeleteClaimedKeys();
  if (!scratch_.empty()) RemoveFolderTree(scratch_.substr(0, scratch_.size() - 1));
  scratch_.clear();
}

}  // namespace platform::testing
