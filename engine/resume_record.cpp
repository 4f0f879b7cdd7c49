#include "engine/resume_record.h"

#include <algorithm>

namespace ns_VYN {
namespace {

void PutLe64(int64_t value, std::string* out) {
  for (int i = 0; i < 8; ++i) out->push_back(char(uint64_t(value) >> (8 * i)));
}

int64_t GetLe64(const uint8_t* p) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | p[i];
  return int64_t(value);
}

}  // namespace

std::string EncodeResumeRecord(const std::vector<ResumePair>& pairs) {
  std::string bytes;
  bytes.reserve(16 * pairs.size() + 8);
  for (const ResumePair& pair : pairs) {
    PutLe64(pair.first, &bytes);
    PutLe64(pair.last, &bytes);
  }
  PutLe64(int64_t(pairs.size()), &bytes);
  return bytes;
}

bool ParseResumeRecord(const uint8_t* tail, size_t size, int64_t total, std::map<int64_t, int64_t>* pairs) {
  pairs->clear();
  if (size < 24 || (size - 8) % 16 != 0 || total <= 0) return false;
  const int64_t count = GetLe64(tail + size - 8);
  // The record is written as one block that ends the file, so N also fixes
  // the tail's length; a tail of another length is a torn or foreign record.
  if (count <= 0 || uint64_t(count) != (size - 8) / 16) return false;
  int64_t sum = 0;
  for (int64_t i = 0; i < count; ++i) {
    const int64_t first = GetLe64(tail + 16 * i);
    const int64_t last = GetLe64(tail + 16 * i + 8);
    if (first < 0 || first > last || last > total - 1 || pairs->count(first)) {
      pairs->clear();
      return false;
    }
    if (last - first + 1 > total - sum) {  // the pairs claim more than the package
      pairs->clear();
      return false;
    }
    (*pairs)[first] = last;
    sum += last - first + 1;
  }
  int64_t previousLast = -1;
  for (const auto& [first, last] : *pairs) {
    if (first <= previousLast) {  // two ranges claim the same bytes
      pairs->clear();
      return false;
    }
    previousLast = last;
  }
  return true;
}

std::vector<ResumePair> MergeResumePairs(std::vector<ResumePair> pairs) {
  std::erase_if(pairs, [](const ResumePair& pair) { return pair.first > pair.last; });
  std::sort(pairs.begin(), pairs.end(), [](const ResumePair& a, const ResumePair& b) { return a.first < b.first; });
  std::vector<ResumePair> merged;
  for (const ResumePair& pair : pairs) {
    if (!merged.empty() && pair.first <= merged.back().last + 1) {
      merged.back().last = std::max(merged.back().last, pair.last);
    } else {
      merged.push_back(pair);
    }
  }
  return merged;
}

}  // namespace ns_VYN
