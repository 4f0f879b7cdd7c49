// The run configuration file: what a later start of this installer resumes.
#include <mutex>

#include "config/run_config_file.h"
#include "manager/kiv_mgr.h"
#include "platform/files.h"
#include "platform/win_error.h"
#include "system/log.h"
#include "system/text_convert.h"

namespace {

// The file holds six short values; anything far larger is not ours.
constexpr uint64_t kMaxRunConfigBytes = 1 << 20;

// The download thread and the engine's callbacks may both write the file.
std::mutex& FileLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

void KivMgr::ReadRunConfig() {
  Log(3, "[INFO] ReadRunConfig");
  if (runConfigPath.empty()) return;
  std::string bytes, error;
  bool read = false;
  uint32_t readError = 0;
  {
    std::lock_guard<std::mutex> hold(FileLock());
    read = platform::ReadWholeFile(runConfigPath, &bytes, kMaxRunConfigBytes);
    readError = platform::GetLastErrorCode();
  }
  const bool missing = readError == platform::kErrorFileNotFound || readError == platform::kErrorPathNotFound;
  if (!read && missing) {
    Log(3, "[INFO] ReadRunConfig, no file from a previous run.");
  } else if (!read) {
    Log(2, "[WARN] ReadRunConfig, file not read, err=[%u]; no previous run.", readError);
  } else if (!ReadRunConfigDocument(bytes, &runConfig, &error)) {
    Log(2, "[WARN] ReadRunConfig, file unreadable (%s); no previous run.", error.c_str());
  }
  resumeFlag = IsResumeStatus(runConfig.Status);
}

void KivMgr::WriteRunConfig() {
  if (forkMode || runConfigPath.empty()) return;
  Log(3, "[INFO] WriteRunConfig");
  const std::string document = RunConfigDocument(runConfig);
  // Written beside the file and moved over it, so that a run stopped in the
  // middle of the write still leaves the previous, complete file.
  const std::wstring partial = runConfigPath + L".tmp";
  std::lock_guard<std::mutex> hold(FileLock());
  if (!platform::WriteWholeFile(partial, document) || !platform::MoveFileTo(partial, runConfigPath, true)) {
    Log(2, "[WARN] WriteRunConfig failed, err=[%u].", platform::GetLastErrorCode());
    platform::DeleteFileAt(partial);
  }
}

void KivMgr::DeleteRunConfig() {
  resumeFlag = false;
  if (forkMode || runConfigPath.empty()) return;
  std::lock_guard<std::mutex> hold(FileLock());
  if (!platform::DeleteFileAt(runConfigPath) && platform::GetLastErrorCode() != platform::kErrorFileNotFound) {
    Log(2, "[WARN] DeleteRunConfig failed, err=[%u].", platform::GetLastErrorCode());
  }
}
