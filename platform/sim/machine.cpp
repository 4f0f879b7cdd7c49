#include "platform/sim/machine.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <dirent.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/sim/builtin_profile.h"
#include "platform/sim_control.h"
#include "platform/win_error.h"

namespace platform::sim {
namespace {

// Members of `over` replace those of `base`; objects merge member by member.
void MergeInto(cJSON* base, const cJSON* over) {
  for (const cJSON* item = over->child; item; item = item->next) {
    cJSON* existing = cJSON_GetObjectItemCaseSensitive(base, item->string);
    if (existing && cJSON_IsObject(existing) && cJSON_IsObject(item)) {
      MergeInto(existing, item);
      continue;
    }
    cJSON* copy = cJSON_Duplicate(item, true);
    if (existing) {
      cJSON_ReplaceItemInObjectCaseSensitive(base, item->string, copy);
    } else {
      cJSON_AddItemToObject(base, item->string, copy);
    }
  }
}

bool MakeHostDirs(const std::string& path) {
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = path.find('/', pos + 1);
    partial = path.substr(0, pos);
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

std::string DefaultSandbox() {
  const char* cache = getenv("XDG_CACHE_HOME");
  std::string base = cache && *cache ? cache : std::string(getenv("HOME") ? getenv("HOME") : "/tmp") + "/.cache";
  return base + "/kiv/sandbox";
}

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c;
  return text;
}

std::unique_ptr<Machine>& Current() {
  static std::unique_ptr<Machine> machine;
  return machine;
}

}  // namespace

std::mutex& MachineMutex() {
  static std::mutex mutex;
  return mutex;
}

Machine::~Machine() { cJSON_Delete(profile_); }

bool Machine::Load(const std::string& overrideJson, const std::string& sandbox, std::string* error) {
  profile_ = cJSON_Parse(kBuiltinProfile);
  if (!overrideJson.empty()) {
    cJSON* over = cJSON_Parse(overrideJson.c_str());
    if (!over || !cJSON_IsObject(over)) {
      const char* where = cJSON_GetErrorPtr();
      *error = std::string("machine profile is not a JSON object") +
               (where ? std::string(" near: ") + std::string(where).substr(0, 40) : "");
      cJSON_Delete(over);
      return false;
    }
    MergeInto(profile_, over);
    cJSON_Delete(over);
  }
  sandbox_ = sandbox;
  while (sandbox_.size() > 1 && sandbox_.back() == '/') sandbox_.pop_back();
  if (!MakeHostDirs(sandbox_)) {
    *error = "can not create the sandbox folder " + sandbox_ + ": " + strerror(errno);
    return false;
  }
  drives_.clear();
  const cJSON* drives = Item("drives");
  for (const cJSON* d = drives ? drives->child : nullptr; d; d = d->next) {
    if (!d->string || strlen(d->string) != 1 || !isalpha(static_cast<unsigned char>(d->string[0]))) continue;
    if (cJSON_IsNull(d)) continue;
    DriveSpec spec;
    spec.letter = static_cast<char>(toupper(static_cast<unsigned char>(d->string[0])));
    const cJSON* type = cJSON_GetObjectItemCaseSensitive(d, "type");
    if (cJSON_IsString(type)) spec.type = type->valuestring;
    const cJSON* quota = cJSON_GetObjectItemCaseSensitive(d, "quota_mb");
    if (cJSON_IsNumber(quota)) spec.quotaBytes = static_cast<int64_t>(quota->valuedouble * 1024 * 1024);
    drives_.push_back(spec);
    MakeHostDirs(sandbox_ + "/" + spec.letter);
  }
  DeriveEnv();
  // The standard folders exist on every Windows machine.
  std::vector<std::wstring> folders = {Env().count(L"TEMP") ? Env().at(L"TEMP") : L"", Env().count(L"windir") ? Env().at(L"windir") : L""};
  for (const char* key : {"folders.local_appdata", "folders.common_documents", "folders.desktop"}) {
    folders.push_back(WideOf(Text(key, "")));
  }
  for (const char* key : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"}) {
    auto it = env_.find(WideOf(key));
    if (it != env_.end()) folders.push_back(it->second);
  }
  std::wstring self = WideOf(Text("self_path", ""));
  folders.push_back(self.substr(0, self.rfind(L'\\') == std::wstring::npos ? 0 : self.rfind(L'\\')));
  for (const auto& folder : folders) {
    std::string host;
    if (!folder.empty() && folder.size() >= 2 && folder[1] == L':' && Drive(folder[0])) {
      host = sandbox_ + "/" + static_cast<char>(toupper(folder[0])) + "/" + Utf8Of(folder.substr(3));
      for (auto& c : host) c = c == '\\' ? '/' : c;
      MakeHostDirs(host);
    }
  }
  return true;
}

void Machine::DeriveEnv() {
  env_.clear();
  std::wstring user = WideOf(Text("user", "me"));
  std::wstring profileDir = L"C:\\Users\\" + user;
  env_[L"USERNAME"] = user;
  env_[L"USERPROFILE"] = profileDir;
  env_[L"TEMP"] = profileDir + L"\\AppData\\Local\\Temp";
  env_[L"TMP"] = env_[L"TEMP"];
  env_[L"LOCALAPPDATA"] = profileDir + L"\\AppData\\Local";
  env_[L"APPDATA"] = profileDir + L"\\AppData\\Roaming";
  env_[L"windir"] = L"C:\\Windows";
  env_[L"SystemRoot"] = L"C:\\Windows";
  env_[L"SystemDrive"] = L"C:";
  env_[L"PUBLIC"] = L"C:\\Users\\Public";
  env_[L"Path"] = L"C:\\Windows\\system32;C:\\Windows";
  // A 32-bit process sees these: under WOW64 the 64-bit values are extra.
  env_[L"PROCESSOR_ARCHITECTURE"] = L"x86";
  if (Bool("os.wow64", false)) {
    env_[L"ProgramFiles"] = L"C:\\Program Files (x86)";
    env_[L"ProgramFiles(x86)"] = L"C:\\Program Files (x86)";
    env_[L"ProgramW6432"] = L"C:\\Program Files";
    env_[L"PROCESSOR_ARCHITEW6432"] = L"AMD64";
  } else {
    env_[L"ProgramFiles"] = L"C:\\Program Files";
  }
  const cJSON* env = Item("env");
  for (const cJSON* e = env ? env->child : nullptr; e; e = e->next) {
    std::wstring value = cJSON_IsString(e) ? WideOf(e->valuestring) : L"";
    ReplaceEnv(WideOf(e->string), cJSON_IsString(e) ? value.c_str() : nullptr);
  }
}

void Machine::ReplaceEnv(const std::wstring& name, const wchar_t* value) {
  for (auto it = env_.begin(); it != env_.end();) {
    it = Lower(it->first) == Lower(name) ? env_.erase(it) : std::next(it);
  }
  if (value) env_[name] = value;
}

void Machine::SetEnv(const std::wstring& name, const wchar_t* value) {
  std::lock_guard<std::mutex> lock(MachineMutex());
  ReplaceEnv(name, value);
}

const cJSON* Machine::Item(const std::string& dottedPath) const {
  const cJSON* node = profile_;
  size_t start = 0;
  while (node && start <= dottedPath.size()) {
    size_t dot = dottedPath.find('.', start);
    std::string name = dottedPath.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    node = cJSON_GetObjectItemCaseSensitive(node, name.c_str());
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return node;
}

int64_t Machine::Int(const std::string& dottedPath, int64_t fallback) const {
  const cJSON* item = Item(dottedPath);
  return cJSON_IsNumber(item) ? static_cast<int64_t>(item->valuedouble) : fallback;
}

bool Machine::Bool(const std::string& dottedPath, bool fallback) const {
  const cJSON* item = Item(dottedPath);
  return cJSON_IsBool(item) ? cJSON_IsTrue(item) : fallback;
}

std::string Machine::Text(const std::string& dottedPath, const std::string& fallback) const {
  const cJSON* item = Item(dottedPath);
  return cJSON_IsString(item) ? item->valuestring : fallback;
}

const DriveSpec* Machine::Drive(wchar_t letter) const {
  for (const auto& d : drives_) {
    if (d.letter == toupper(static_cast<int>(letter))) return &d;
  }
  return nullptr;
}

Machine& TheMachine() {
  std::lock_guard<std::mutex> lock(MachineMutex());
  auto& machine = Current();
  if (!machine) {
    const char* profilePath = getenv("KIV_SIM_PROFILE");
    const char* sandbox = getenv("KIV_SIM_SANDBOX");
    std::string profileText;
    std::string error;
    if (profilePath && *profilePath) {
      FILE* f = fopen(profilePath, "rb");
      if (!f) {
        fprintf(stderr, "kiv: can not read the machine profile %s: %s\n", profilePath, strerror(errno));
        exit(2);
      }
      char buffer[4096];
      size_t n;
      while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) profileText.append(buffer, n);
      fclose(f);
    }
    auto fresh = std::make_unique<Machine>();
    if (!fresh->Load(profileText, sandbox && *sandbox ? sandbox : DefaultSandbox(), &error)) {
      fprintf(stderr, "kiv: machine profile %s: %s\n", profilePath ? profilePath : "(built-in)", error.c_str());
      exit(2);
    }
    machine = std::move(fresh);
  }
  return *machine;
}

bool UseMachine(const std::string& profileJson, const std::string& sandboxFolder, std::string* error) {
  auto fresh = std::make_unique<Machine>();
  if (!fresh->Load(profileJson, sandboxFolder, error)) return false;
  std::string profilePath = fresh->Sandbox() + "/profile.json";
  FILE* f = fopen(profilePath.c_str(), "wb");
  if (!f) {
    *error = "can not write " + profilePath;
    return false;
  }
  fwrite(profileJson.data(), 1, profileJson.size(), f);
  fclose(f);
  setenv("KIV_SIM_PROFILE", profilePath.c_str(), 1);
  setenv("KIV_SIM_SANDBOX", fresh->Sandbox().c_str(), 1);
  std::lock_guard<std::mutex> lock(MachineMutex());
  Current() = std::move(fresh);
  return true;
}

std::string SandboxFolder() { return TheMachine().Sandbox(); }
std::string JournalPath() { return SandboxFolder() + "/journal.jsonl"; }

std::vector<std::string> ReadJournal() {
  std::vector<std::string> lines;
  FILE* f = fopen(JournalPath().c_str(), "rb");
  if (!f) return lines;
  char* line = nullptr;
  size_t cap = 0;
  ssize_t n;
  while ((n = getline(&line, &cap, f)) > 0) {
    lines.emplace_back(line, line[n - 1] == '\n' ? n - 1 : n);
  }
  free(line);
  fclose(f);
  return lines;
}

void AppendJournal(const std::string& kind, const std::vector<std::pair<std::string, std::string>>& fields) {
  cJSON* object = cJSON_CreateObject();
  cJSON_AddStringToObject(object, "kind", kind.c_str());
  cJSON_AddNumberToObject(object, "pid", getpid());
  for (const auto& [name, value] : fields) cJSON_AddStringToObject(object, name.c_str(), value.c_str());
  char* text = cJSON_PrintUnformatted(object);
  std::string line = std::string(text ? text : "{}") + "\n";
  cJSON_free(text);
  cJSON_Delete(object);
  int fd = open(JournalPath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  flock(fd, LOCK_EX);
  ssize_t ignored = write(fd, line.data(), line.size());
  (void)ignored;
  flock(fd, LOCK_UN);
  close(fd);
}

}  // namespace platform::sim
