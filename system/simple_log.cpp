#include "system/simple_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <vector>

#include "platform/files.h"
#include "platform/system_info.h"
#include "system/log.h"
#include "system/text_convert.h"

namespace {

std::atomic<simpleLog*> processLogger{nullptr};

struct NameParts {
  std::string folder;  // up to and including the last "\\"
  std::string stem;    // file name up to its last "."
  std::string ext;     // from the last "." of the path
};

NameParts SplitName(const std::string& path) {
  NameParts parts;
  size_t slash = path.rfind('\\');
  size_t dot = path.rfind('.');
  parts.folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t stemEnd = (dot == std::string::npos || dot < nameStart) ? path.size() : dot;
  parts.stem = path.substr(nameStart, stemEnd - nameStart);
  parts.ext = dot == std::string::npos ? "" : path.substr(dot);
  return parts;
}

std::wstring WidePath(const std::string& ansiPath) { return AnsiToWide(ansiPath); }

bool CanOpenForReading(const std::string& path) {
  return platform::OpenFile(WidePath(path), platform::kAccessRead,
                            platform::kShareRead | platform::kShareWrite | platform::kShareDelete,
                            platform::FileDisposition::kOpenExisting) != nullptr;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  char buffer[512];
  int n = vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return n < 0 ? std::string() : std::string(buffer, std::min<size_t>(n, sizeof buffer - 1));
}

// The file is written in text mode: every line feed becomes CR LF.
std::string TextMode(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

simpleLog::simpleLog(std::string fileName) : configured_(std::move(fileName)) {}

void simpleLog::Open() {
  if (configured_.empty()) printf("[simpleLog::Log] log filename is empty\n");
  current_ = configured_;
  Prune();
  Archive();
}

// Keeps at most kMaxLogFiles files of this log's name. Files with the same
// modification second count once: the one listed last stands for them.
void simpleLog::Prune() {
  NameParts parts = SplitName(current_);
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDirectory(WidePath(parts.folder), &entries)) return;
  std::map<int64_t, std::string> byTime;
  for (const auto& entry : entries) {
    if (entry.isDirectory) continue;
    std::string full = parts.folder + WideToAnsi(entry.name);
    if (full.find(parts.stem) == std::string::npos || full.find(parts.ext) == std::string::npos) continue;
    byTime[entry.modifiedUnix] = full;
  }
  while (byTime.size() > kMaxLogFiles) {
    platform::DeleteFileAt(WidePath(byTime.begin()->second));
    byTime.erase(byTime.begin());
  }
}

void simpleLog::Archive() {
  NameParts parts = SplitName(current_);
  platform::LocalTime now = platform::GetLocalTimeNow();
  std::string name = Format("%s%s_%4d-%02d-%02d%s", parts.folder.c_str(), parts.stem.c_str(), now.year, now.month,
                            now.day, parts.ext.c_str());
  for (int n = 1; CanOpenForReading(name); ++n) {
    name = Format("%s%s_%4d-%02d-%02d_%d%s", parts.folder.c_str(), parts.stem.c_str(), now.year, now.month, now.day,
                  n, parts.ext.c_str());
  }
  platform::MoveFileTo(WidePath(current_), WidePath(name), false);
}

void simpleLog::Write(const std::string& message) {
  std::lock_guard<std::mutex> hold(lock_);
  auto file = platform::OpenFile(WidePath(current_), platform::kAccessWrite,
                                 platform::kShareRead | platform::kShareWrite | platform::kShareDelete,
                                 platform::FileDisposition::kOpenAlways);
  if (!file) return;
  platform::LocalTime t = platform::GetLocalTimeNow();
  std::string prefix = Format("[%4d-%02d-%02d %d:%02d:%02d] %u - ", t.year, t.month, t.day, t.hour, t.minute,
                              t.second, platform::CurrentThreadId());
  if (!file->Append(prefix.data(), static_cast<uint32_t>(prefix.size()))) return;
  std::string body = TextMode(message);
  if (file->Append(body.data(), static_cast<uint32_t>(body.size()))) file->Append("\r\n", 2);
}

simpleLog* TheLogger() { return processLogger.load(); }
void InstallLogger(simpleLog* logger) { processLogger.store(logger); }

void LogV(int /*level: no level filter, the tag is in the message*/, const char* format, va_list args) {
  simpleLog* logger = TheLogger();
  if (!logger) return;
  va_list copy;
  va_copy(copy, args);
  int needed = vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed < 0) return;
  std::string message(static_cast<size_t>(needed) + 1, '\0');
  vsnprintf(message.data(), message.size(), format, args);
  message.resize(static_cast<size_t>(needed));
  logger->Write(message);
}

void Log(int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogV(level, format, args);
  va_end(args);
}
