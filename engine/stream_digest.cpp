#include "engine/stream_digest.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

#include "platform/files.h"
#include "platform/win_error.h"
#include "system/log.h"

namespace ns_VYN {
namespace {

constexpr uint32_t kReadBlock = 1 << 20;
constexpr int kBlocksPerOpen = 16;  // the file is reopened now and then, never held between bursts

}  // namespace

CStreamDigest::CStreamDigest(std::wstring path, int64_t total, const std::map<int64_t, int64_t>& missing)
    : path_(std::move(path)), total_(total) {
  int64_t cursor = 0;
  for (const auto& [first, last] : missing) {
    if (first > cursor) present_[cursor] = first;
    cursor = std::max(cursor, last + 1);
  }
  if (cursor < total_) present_[cursor] = total_;
  thread_ = std::thread([this] { Run(); });
}

CStreamDigest::~CStreamDigest() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void CStreamDigest::Written(int64_t offset, int64_t count) {
  int64_t end = std::min(offset + count, total_);
  if (offset < 0 || count <= 0 || offset >= end) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (void_) return;
  // Merge [offset, end) into the present bytes; any overlap means a second write.
  auto next = present_.upper_bound(offset);
  if (next != present_.end() && next->first < end) void_ = true;
  if (next != present_.begin() && std::prev(next)->second > offset) void_ = true;
  if (void_) {
    changed_.notify_all();
    return;
  }
  int64_t start = offset;
  if (next != present_.begin() && std::prev(next)->second == offset) {
    start = std::prev(next)->first;
  }
  if (next != present_.end() && next->first == end) {
    end = next->second;
    present_.erase(next);
  }
  present_[start] = end;
  changed_.notify_all();
}

void CStreamDigest::Seal() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    sealed_ = true;
  }
  changed_.notify_all();
}

std::string CStreamDigest::Result() {
  if (thread_.joinable()) thread_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  if (void_ || hashed_ != total_) return std::string();
  if (result_.empty()) result_ = md5_.FinishHexUpper();
  return result_;
}

int64_t CStreamDigest::ContiguousEndLocked() const {
  auto it = present_.upper_bound(hashed_);
  if (it == present_.begin()) return hashed_;
  --it;
  return it->second > hashed_ ? it->second : hashed_;
}

void CStreamDigest::Run() {
  std::vector<char> block(kReadBlock);
  for (;;) {
    int64_t from = 0, to = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] {
        return stopping_ || void_ || sealed_ || hashed_ == total_ || ContiguousEndLocked() > hashed_;
      });
      to = ContiguousEndLocked();
      if (stopping_ || void_ || to == hashed_) return;  // nothing more to read, now or ever
      from = hashed_;
    }
    auto file = platform::OpenFile(path_, platform::kAccessRead,
                                   platform::kShareRead | platform::kShareWrite | platform::kShareDelete,
                                   platform::FileDisposition::kOpenExisting);
    if (!file) {
      Log(2, "[WARN] multi, digest read of the temporary file failed, open err=[%u].",
          platform::GetLastErrorCode());
      return;
    }
    to = std::min(to, from + int64_t(kReadBlock) * kBlocksPerOpen);
    while (from < to) {
      uint32_t want = uint32_t(std::min<int64_t>(kReadBlock, to - from)), done = 0;
      if (!file->ReadAt(uint64_t(from), block.data(), want, &done) || done != want) {
        Log(2, "[WARN] multi, digest read of the temporary file failed at [%lld].", (long long)from);
        return;
      }
      md5_.Update(block.data(), done);
      from += done;
      std::lock_guard<std::mutex> lock(mutex_);
      hashed_ = from;
    }
  }
}

}  // namespace ns_VYN
