#include "engine/cache_file.h"

#include <algorithm>
#include <chrono>
#include <cctype>
#include <vector>

#include "engine/md5.h"
#include "engine/stream_digest.h"
#include "platform/file_lockers.h"
#include "platform/system_info.h"
#include "platform/win_error.h"
#include "system/log.h"
#include "system/text_convert.h"

namespace ns_VYN {
namespace {

using platform::FileDisposition;

constexpr uint32_t kLargestWrite = 1u << 30;          // one WriteAt call moves at most this
constexpr int64_t kLargestRecord = 16 * 65536 + 8;     // far more pairs than a download ever has
constexpr int kRemoveRecordTries = 5;

std::string Ansi(const std::wstring& path) { return WideToAnsi(path); }

// Handle value for the log lines: -1 (INVALID_HANDLE_VALUE) when there is none.
int HandleValue(const platform::File* file) {
  return file ? int(reinterpret_cast<uintptr_t>(file) & 0x7FFFFFFF) : -1;
}

void CreateFolderChain(const std::wstring& path) {
  size_t lastSlash = path.find_last_of(L'\\');
  if (lastSlash == std::wstring::npos || platform::DirectoryExists(path.substr(0, lastSlash + 1))) return;
  for (size_t slash = path.find(L'\\'); slash != std::wstring::npos && slash <= lastSlash;
       slash = path.find(L'\\', slash + 1)) {
    std::wstring folder = path.substr(0, slash);
    if (folder.empty() || folder.back() == L':' || platform::DirectoryExists(folder)) continue;
    platform::CreateDirectoryAt(folder);
  }
}

std::string Upper(std::string text) {
  for (char& c : text) c = char(toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::wstring TemporaryPathOf(const std::wstring& finalPath) { return finalPath + L".~P2S"; }

int CreateNullFile(const std::wstring& path, uint32_t* error, int64_t size) {
  *error = 0;
  if (path.empty()) return kNullFileEmptyPath;
  if (platform::FileExists(path) && !platform::DeleteFileAt(path)) {
    Log(2, "[WARN] before create, delete file=[%s], error=[%u].", WideToUtf8(path).c_str(),
        platform::GetLastErrorCode());
  }
  CreateFolderChain(path);
  auto file = platform::OpenFile(path, platform::kAccessWrite, platform::kShareNone, FileDisposition::kCreateAlways);
  *error = file ? 0 : platform::GetLastErrorCode();
  Log(3, "[INFO] create file=[%s], hFile=[%d], error=[%u].", Ansi(path).c_str(), HandleValue(file.get()), *error);
  if (!file && *error == platform::kErrorAlreadyExists) {
    file = platform::OpenFile(path, platform::kAccessWrite, platform::kShareRead | platform::kShareWrite,
                              FileDisposition::kOpenExisting);
    *error = file ? 0 : platform::GetLastErrorCode();
    Log(3, "[INFO] open file=[%s] for write, hFile=[%d], error=[%u].", Ansi(path).c_str(), HandleValue(file.get()),
        *error);
  }
  int result = kNullFileCreated;
  if (!file) {
    result = kNullFileFailed;
  } else if (size > 0 && !file->SetSize(uint64_t(size))) {
    // Growing the file reserves its space: this is where a full disk shows.
    *error = platform::GetLastErrorCode();
    result = kNullFileNoSpace;
  }
  file.reset();
  if (result != kNullFileCreated) platform::DeleteFileAt(path);
  return result;
}

int64_t GetLocalFileSize(const std::wstring& path) {
  auto file = platform::OpenFile(path, platform::kAccessRead, platform::kShareRead, FileDisposition::kOpenExisting);
  uint64_t size = 0;
  if (!file || !file->GetSize(&size)) return 0;
  return int64_t(size);
}

std::string FileMd5Of(const std::wstring& path) {
  // Shared like the C library's fopen on Windows: readers and writers alike.
  auto file = platform::OpenFile(path, platform::kAccessRead, platform::kShareRead | platform::kShareWrite,
                                 FileDisposition::kOpenExisting);
  if (!file) return std::string();
  Md5 md5;
  std::vector<char> block(1 << 20);
  for (uint64_t offset = 0;;) {
    uint32_t done = 0;
    if (!file->ReadAt(offset, block.data(), uint32_t(block.size()), &done)) return std::string();
    if (done == 0) break;
    md5.Update(block.data(), done);
    offset += done;
  }
  return md5.FinishHexUpper();
}

void LogFileLockers(const std::wstring& path) {
  std::vector<platform::FileLocker> lockers;
  if (!platform::ListFileLockers(path, 10, &lockers)) return;
  const uint32_t self = platform::CurrentProcessId();
  for (const platform::FileLocker& locker : lockers) {
    if (locker.processId == self) continue;
    Log(2, "[WARN] process=[%u][%s] locked the file=[%s] ", locker.processId, Ansi(locker.appName).c_str(),
        Ansi(path).c_str());
  }
}

CCacheFile::CCacheFile(IEventSender* events, int* status) : events_(events), status_(status) {}

CCacheFile::~CCacheFile() {
  {
    std::lock_guard<std::mutex> lock(writerMutex_);
    stopWriter_ = true;
  }
  writerWake_.notify_one();
  if (writer_.joinable()) writer_.join();
  CloseTempFile();
  digest_.reset();
}

void CCacheFile::SetTotal(int64_t total) { total_ = total; }

void CCacheFile::SetServerMd5(const std::string& text) {
  Log(3, "[INFO] multi, set server md5=[%s].", text.c_str());
  serverMd5_ = Upper(text);
}

bool CCacheFile::CreateTempFile(const std::wstring& path, int64_t size) {
  uint32_t error = 0;
  int result = CreateNullFile(path, &error, size);
  Log(3, "[INFO] multi, create tmp file=[%s], ret=[%d][%u].", Ansi(path).c_str(), result, error);
  if (result == kNullFileCreated) {
    platform::SetFileAttributesOf(path, platform::kAttrHidden);
    missing_ = {{0, size - 1}};
    missingKnown_ = size > 0;
    return true;
  }
  missingKnown_ = false;
  if (result == kNullFileNoSpace) {
    Log(1, "[ERROR] multi, disk space not enough!");
    *status_ = 10;
    events_->SendEvent(kEventFileOpFailed, 0, 3, int(error));
  } else {
    Log(1, "[ERROR] multi, create null file failed!");
    *status_ = 9;
    events_->SendEvent(kEventFileOpFailed, 0, 1, int(error));
  }
  return false;
}

bool CCacheFile::OpenTempFile(const std::wstring& path) {
  CloseTempFile();
  auto file = platform::OpenFile(path, platform::kAccessRead | platform::kAccessWrite,
                                 platform::kShareRead | platform::kShareWrite, FileDisposition::kOpenExisting);
  if (!file) {
    uint32_t error = platform::GetLastErrorCode();
    Log(1, "[ERROR] multi, open tmp file=[%s] failed! err=[%u].", Ansi(path).c_str(), error);
    *status_ = 9;
    events_->SendEvent(kEventFileOpFailed, 0, 1, int(error));
    missingKnown_ = false;
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(fileMutex_);
    file_ = std::move(file);
    path_ = path;
  }
  StartDigest();
  return true;
}

void CCacheFile::StartDigest() {
  digest_.reset();
  if (missingKnown_) digest_ = std::make_unique<CStreamDigest>(path_, total_.load(), missing_);
  missingKnown_ = false;
}

void CCacheFile::CloseTempFile() {
  {
    std::lock_guard<std::mutex> lock(recordMutex_);
    recordWrittenSerial_ = recordSerial_;  // records still on their way belong to the closed file
  }
  std::lock_guard<std::mutex> lock(fileMutex_);
  file_.reset();
  if (digest_) digest_->Seal();
}

bool CCacheFile::WriteFileData(int64_t offset, int64_t count, const void* bytes, bool truncateAfter) {
  std::lock_guard<std::mutex> lock(fileMutex_);
  if (!file_) return false;
  if (offset < 0) {
    Log(1, "[ERROR] multi, write file data failed! seek failed, err=[%u].", platform::kErrorNegativeSeek);
    return false;
  }
  for (int64_t done = 0; done < count;) {
    uint32_t piece = uint32_t(std::min<int64_t>(count - done, kLargestWrite)), written = 0;
    if (!file_->WriteAt(uint64_t(offset + done), static_cast<const char*>(bytes) + done, piece, &written) ||
        written != piece) {
      Log(1, "[ERROR] multi, write file data failed! write size=[%d], err=[%u].", int(count),
          platform::GetLastErrorCode());
      return false;
    }
    done += piece;
  }
  if (truncateAfter && !file_->SetSize(uint64_t(offset + count))) {
    Log(1, "[ERROR] multi, write file data failed! set end, err=[%u].", platform::GetLastErrorCode());
  }
  if (digest_) digest_->Written(offset, count);
  return true;
}

int64_t CCacheFile::Write(int64_t offset, int64_t count, const void* bytes) {
  if (count <= 0 || !bytes) return 0;
  return WriteFileData(offset, count, bytes, false) ? count : 0;
}

bool CCacheFile::WriteRecordBytes(const std::string& bytes) {
  const int64_t total = total_.load();
  if (WriteFileData(total, int64_t(bytes.size()), bytes.data(), true)) return true;
  {
    std::lock_guard<std::mutex> lock(fileMutex_);
    if (file_ || path_.empty()) return false;
  }
  // The attempt's handle is closed already (a cancelled attempt writes its
  // last record after closing it): write through a handle of our own.
  auto file = platform::OpenFile(path_, platform::kAccessWrite, platform::kShareRead | platform::kShareWrite,
                                 FileDisposition::kOpenExisting);
  uint32_t written = 0;
  return file && file->WriteAt(uint64_t(total), bytes.data(), uint32_t(bytes.size()), &written) &&
         written == bytes.size() && file->SetSize(uint64_t(total) + bytes.size());
}

bool CCacheFile::WriteCacheInfo(const std::vector<ResumePair>& pairs) {
  if (pairs.empty()) return false;
  std::lock_guard<std::mutex> lock(recordMutex_);
  recordWrittenSerial_ = ++recordSerial_;
  bool written = WriteRecordBytes(EncodeResumeRecord(pairs));
  if (!written) Log(1, "[ERROR] multi, write cache info failed! write count.");
  return written;
}

void CCacheFile::WriteCacheInfoDetached(std::vector<ResumePair> pairs) {
  if (pairs.empty()) return;
  auto record = std::make_unique<PendingRecord>();
  {
    std::lock_guard<std::mutex> lock(recordMutex_);
    record->serial = ++recordSerial_;
  }
  record->bytes = EncodeResumeRecord(pairs);
  {
    std::lock_guard<std::mutex> lock(writerMutex_);
    pending_ = std::move(record);  // a newer record supersedes one not yet written
    if (!writer_.joinable()) writer_ = std::thread(&CCacheFile::RecordWriterLoop, this);
  }
  writerWake_.notify_one();
}

// Writes pending records until the destructor stops it; what is pending
// when it stops is still written.
void CCacheFile::RecordWriterLoop() {
  std::unique_lock<std::mutex> lock(writerMutex_);
  for (;;) {
    writerWake_.wait(lock, [this] { return pending_ || stopWriter_; });
    if (!pending_) return;
    std::unique_ptr<PendingRecord> record = std::move(pending_);
    lock.unlock();
    {
      std::lock_guard<std::mutex> hold(recordMutex_);
      if (record->serial > recordWrittenSerial_) {
        recordWrittenSerial_ = record->serial;
        if (!WriteFileData(total_.load(), int64_t(record->bytes.size()), record->bytes.data(), true)) {
          Log(1, "[ERROR] multi, write cache info failed! write count.");
        }
      }
    }
    lock.lock();
  }
}

bool CCacheFile::ReadCacheInfo(const std::wstring& path, int64_t total, std::map<int64_t, int64_t>* pairs) {
  pairs->clear();
  missingKnown_ = false;
  auto file = platform::OpenFile(path, platform::kAccessRead, platform::kShareRead, FileDisposition::kOpenExisting);
  uint64_t size = 0;
  if (!file || !file->GetSize(&size) || total <= 0 || int64_t(size) <= total) return false;
  const int64_t tailSize = int64_t(size) - total;
  std::string tail(size_t(std::min(tailSize, kLargestRecord)), '\0');
  uint32_t done = 0;
  bool valid = tailSize <= kLargestRecord && file->ReadAt(uint64_t(total), tail.data(), uint32_t(tail.size()), &done) &&
               done == tail.size() &&
               ParseResumeRecord(reinterpret_cast<const uint8_t*>(tail.data()), tail.size(), total, pairs);
  if (!valid) {
    Log(2, "[WARN] multi, cache info of file=[%s] is not valid, size=[%lld], total=[%lld].", Ansi(path).c_str(),
        (long long)size, (long long)total);
    return false;
  }
  total_ = total;
  missing_ = *pairs;
  missingKnown_ = true;
  return true;
}

void CCacheFile::RemoveCacheInfo() {
  for (int attempt = 0; attempt < kRemoveRecordTries; ++attempt) {
    auto file = platform::OpenFile(path_, platform::kAccessRead | platform::kAccessWrite,
                                   platform::kShareRead | platform::kShareWrite, FileDisposition::kOpenExisting);
    uint32_t error = file && file->SetSize(uint64_t(total_.load())) ? 0 : platform::GetLastErrorCode();
    file.reset();
    if (error == 0) return;
    Log(1, "[ERROR] multi, remove cache info failed! err=[%u].", error);
    if (error != platform::kErrorUserMappedFile) return;
    LogFileLockers(path_);
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
}

bool CCacheFile::CheckFileSize(const std::wstring& path, bool report) {
  const int64_t size = GetLocalFileSize(path);
  if (size == total_.load()) return true;
  if (report) {
    events_->SendEvent(kEventFileOpFailed, 0, 4, int(platform::GetLastErrorCode()));
    *status_ = 9;
    Log(1, "[ERROR] multi, check file size failed! local_size=[%lld], dst_size=[%lld]", (long long)size,
        (long long)total_.load());
  }
  return false;
}

std::string CCacheFile::FileMd5(const std::wstring& path) {
  bool closed = false;
  {
    std::lock_guard<std::mutex> lock(fileMutex_);
    closed = !file_;  // with the handle open, writes may still come
  }
  if (closed && digest_ && digest_->Path() == path) {
    digest_->Seal();
    std::string streamed = digest_->Result();
    if (!streamed.empty()) return streamed;
  }
  return FileMd5Of(path);
}

bool CCacheFile::CheckMd5(const std::wstring& path, bool report) {
  if (serverMd5_.size() < 3) return false;
  const std::string md5 = FileMd5(path);
  if (report) events_->SendEvent(kEventFileMd5, reinterpret_cast<intptr_t>(md5.c_str()), 0, 0);
  if (!md5.empty() && serverMd5_.find(md5) != std::string::npos) {
    Log(3, "[INFO] multi, check md5 ok.");
    if (report) events_->SendEvent(kEventMd5Match, 0, 0, 0);
    return true;
  }
  Log(1, "[ERROR] multi, check md5 failed!");
  *status_ = 11;
  return false;
}

bool CCacheFile::RenameToFinal(const std::wstring& tempPath, const std::wstring& finalPath) {
  if (platform::FileExists(finalPath)) platform::DeleteFileAt(finalPath);
  if (platform::MoveFileTo(tempPath, finalPath, false)) {
    platform::SetFileAttributesOf(finalPath, platform::kAttrNormal);
    return true;
  }
  uint32_t result = platform::GetLastErrorCode();
  if (result == 0) result = platform::kErrorAccessDenied;  // a failed rename never reports success
  Log(1, "[ERROR] multi, revert file name failed! error=[%u].", result);
  events_->SendEvent(kEventFileOpFailed, 0, 2, int(result));
  *status_ = 9;
  return false;
}

}  // namespace ns_VYN
