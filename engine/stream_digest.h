#pragma once
// The MD5 of a file that is being written at random offsets, computed while
// it is written: a thread digests the file's bytes from offset 0 as soon as
// they are contiguous, reading them back from the file (they are still in
// the system's file cache), so the digest is nearly done when the last byte
// lands. It vouches for the file only when every byte of [0, total) was
// either present from the start or written exactly once, and all were read.
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "engine/md5.h"

namespace ns_VYN {

class CStreamDigest {
 public:
  // `missing`: first -> last (inclusive) of the bytes not yet in the file;
  // everything else of [0, total) is already there.
  CStreamDigest(std::wstring path, int64_t total, const std::map<int64_t, int64_t>& missing);
  ~CStreamDigest();  // stops and joins the thread
  CStreamDigest(const CStreamDigest&) = delete;
  CStreamDigest& operator=(const CStreamDigest&) = delete;

  // Bytes [offset, offset + count) are in the file now. Bytes past total
  // (the resume record) are ignored; a second write to the same bytes voids
  // the digest.
  void Written(int64_t offset, int64_t count);
  // No more writes will come: the thread ends once it has read what it can.
  void Seal();
  // After Seal: waits for the thread and gives the upper-case digest of the
  // whole file, or empty when it can not vouch for it.
  std::string Result();
  const std::wstring& Path() const { return path_; }

 private:
  void Run();
  int64_t ContiguousEndLocked() const;  // end (exclusive) of the present bytes from hashed_

  const std::wstring path_;
  const int64_t total_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<int64_t, int64_t> present_;  // start -> end (exclusive), merged
  int64_t hashed_ = 0;                  // written by the thread, read under mutex_
  bool sealed_ = false;
  bool stopping_ = false;
  bool void_ = false;
  std::string result_;  // the finished digest, once taken
  Md5 md5_;
  std::thread thread_;
};

}  // namespace ns_VYN
