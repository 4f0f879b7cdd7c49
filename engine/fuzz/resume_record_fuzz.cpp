// Any tail of a temporary file, for any package size: the resume record
// reader never crashes, and what it accepts is a set of disjoint ranges
// inside the package that survives a round trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "engine/resume_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  int64_t total = 0;
  memcpy(&total, data, 8);
  // Small sizes half the time, so that valid records are within reach.
  if (total & 1) total = (total >> 1) % 4096;
  std::map<int64_t, int64_t> pairs;
  if (!ns_VYN::ParseResumeRecord(data + 8, size - 8, total, &pairs)) {
    if (!pairs.empty()) abort();
    return 0;
  }
  if (pairs.empty()) abort();
  int64_t previousLast = -1, sum = 0;
  std::vector<ns_VYN::ResumePair> list;
  for (const auto& [first, last] : pairs) {
    if (first <= previousLast || first > last || last >= total) abort();
    sum += last - first + 1;
    previousLast = last;
    list.push_back({first, last});
  }
  if (sum > total) abort();
  if (ns_VYN::MergeResumePairs(list).size() > list.size()) abort();
  const std::string again = ns_VYN::EncodeResumeRecord(list);
  std::map<int64_t, int64_t> reread;
  if (!ns_VYN::ParseResumeRecord(reinterpret_cast<const uint8_t*>(again.data()), again.size(), total, &reread) ||
      reread != pairs) {
    abort();
  }
  return 0;
}
