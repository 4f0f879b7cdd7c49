#pragma once
// The download cache file: a package is downloaded into "<final path>.~P2S",
// created hidden at its full size T before the first byte arrives, written at
// random offsets by the range transfers, and renamed to the final path only
// after its size and MD5 passed. While ranges are outstanding a resume record
// (resume_record.h) sits past T, so a later download of the same URL into the
// same folder continues where this one stopped.
//
// CCacheFile holds the downloader's write handle and the file mutex that
// serialises every write. Operations that fail set the download's status
// and send event 13 (OnFileOpFailed) through the downloader, as noted below.
//
// Digest: while a fresh or resumed file is open, a hasher thread follows the
// writes and digests the file's bytes from offset 0 as soon as they are
// contiguous, reading them back from the file, so the MD5 check at the end
// has little or nothing left to read. The result is always the digest of
// the file's bytes as they are on disk; whenever the stream can not vouch
// for every byte (a failed write, a second write to the same bytes, another
// path) FileMd5 reads the whole file instead.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/event_record.h"
#include "engine/resume_record.h"
#include "platform/files.h"

namespace ns_VYN {

// "<final path>.~P2S".
std::wstring TemporaryPathOf(const std::wstring& finalPath);

// CreateNullFile results.
enum NullFileResult : int { kNullFileCreated = 0, kNullFileFailed = 1, kNullFileNoSpace = 2, kNullFileEmptyPath = 3 };
// Creates `path` (and its missing folders) at `size` bytes without writing
// them; an existing file is deleted first. `error` receives the Win32 error
// of the create call. Any result but kNullFileCreated leaves no file behind.
int CreateNullFile(const std::wstring& path, uint32_t* error, int64_t size);

// The file's size; 0 when it can not be opened or measured.
int64_t GetLocalFileSize(const std::wstring& path);
// Upper-case hexadecimal MD5 of the whole file; empty when it can not be read.
std::string FileMd5Of(const std::wstring& path);
// Logs every process but this one that the Restart Manager names as holding
// `path` open (at most 10).
void LogFileLockers(const std::wstring& path);

class CStreamDigest;  // cache_file.cpp: the hasher thread

class CCacheFile {
 public:
  // `events`: the downloader (events 11, 12, 13); `status`: the downloader's
  // status field, written on the download thread only. Neither is owned.
  CCacheFile(IEventSender* events, int* status);
  // Waits for detached record writers and the hasher, closes the handle.
  ~CCacheFile();
  CCacheFile(const CCacheFile&) = delete;
  CCacheFile& operator=(const CCacheFile&) = delete;

  // Package size T: where the record starts. Set before any other call.
  void SetTotal(int64_t total);
  // Logs the text unchanged and keeps it upper-cased (it may hold several
  // digests; the file passes when its digest is any of them).
  void SetServerMd5(const std::string& text);
  const std::string& ServerMd5() const { return serverMd5_; }

  // Creates the hidden full-size file. Failure: status 10 and event 13 (3, error)
  // when the disk is full, else status 9 and event 13 (1, error).
  bool CreateTempFile(const std::wstring& path, int64_t size);
  // Opens the write handle (read/write access, shared read/write, existing
  // file). Failure: status 9 and event 13 (1, error): the attempt must end,
  // for nothing it downloads could be written.
  bool OpenTempFile(const std::wstring& path);
  // Closes the handle (writes that come later fail silently); idempotent.
  void CloseTempFile();

  // Positioned write under the file mutex; with `truncateAfter` the file ends
  // right after the written bytes. False (logged) on failure; silently false
  // when the handle is closed.
  bool WriteFileData(int64_t offset, int64_t count, const void* bytes, bool truncateAfter);
  // IFileWriter::Write: WriteFileData without truncation; `count` or 0.
  int64_t Write(int64_t offset, int64_t count, const void* bytes);

  // Writes the record of `pairs` (from CollectResumePairs) at T and cuts the
  // file after it. No pairs: nothing is written, false.
  bool WriteCacheInfo(const std::vector<ResumePair>& pairs);
  // The same in the background, so the caller never waits for the file
  // mutex: one record writer thread per file takes the newest record handed
  // to it (an older record never replaces a newer one); the destructor lets
  // it finish what is pending and joins it, so no writer outlives the file.
  void WriteCacheInfoDetached(std::vector<ResumePair> pairs);
  // Reads the record of the closed file `path` for package size `total`.
  // True with at least one pair when the record is complete and valid; any
  // fault rejects it as a whole (logged) and the caller starts afresh.
  bool ReadCacheInfo(const std::wstring& path, int64_t total, std::map<int64_t, int64_t>* pairs);
  // Cuts the temporary file back to T (after every range succeeded); while
  // another process maps the file, logs its lockers and retries, up to 5
  // times one second apart.
  void RemoveCacheInfo();

  // Size of `path` equals T. Not equal and `report`: event 13 (4, last error),
  // status 9, logged.
  bool CheckFileSize(const std::wstring& path, bool report);
  // The file's MD5 against the expected text (false at once when that text
  // has fewer than 3 characters). `report`: event 11 with the digest, and
  // event 12 on a match. Mismatch: status 11.
  bool CheckMd5(const std::wstring& path, bool report);
  // Upper-case MD5 of `path`: from the hasher when it vouches for the whole
  // file, else read from the file. Empty when the file can not be read.
  std::string FileMd5(const std::wstring& path);

  // Deletes any file at `finalPath`, renames the temporary file to it and
  // clears the hidden attribute. Failure: logged, event 13 (2, result of the
  // rename), status 9.
  bool RenameToFinal(const std::wstring& tempPath, const std::wstring& finalPath);

 private:
  void StartDigest();

  IEventSender* events_;
  int* status_;
  std::string serverMd5_;
  std::atomic<int64_t> total_{0};
  std::wstring path_;

  std::mutex fileMutex_;  // the handle, its position, every write
  std::unique_ptr<platform::File> file_;

  // What the next open may digest: bytes not yet in the file (whole file
  // after CreateTempFile, the record's pairs after ReadCacheInfo).
  std::map<int64_t, int64_t> missing_;
  bool missingKnown_ = false;
  std::unique_ptr<CStreamDigest> digest_;

  bool WriteRecordBytes(const std::string& bytes);

  void RecordWriterLoop();

  struct PendingRecord {
    uint64_t serial = 0;
    std::string bytes;
  };
  std::mutex writerMutex_;  // the pending record and the writer's life
  std::condition_variable writerWake_;
  std::unique_ptr<PendingRecord> pending_;
  bool stopWriter_ = false;
  std::thread writer_;
  std::mutex recordMutex_;  // orders record writers: an older record never replaces a newer one
  uint64_t recordSerial_ = 0;         // serial of the newest record handed out
  uint64_t recordWrittenSerial_ = 0;  // newest record written, or the last one a close voided
};

}  // namespace ns_VYN
