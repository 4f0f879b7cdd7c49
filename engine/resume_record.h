#pragma once
// The resume record at the end of a temporary package file: after the T
// bytes of package data come N pairs (first byte not yet in the file, last
// byte of that range, inclusive), then N; every value a signed 64-bit
// little-endian integer. A file no longer than T has no record.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ns_VYN {

struct ResumePair {
  int64_t first = 0;  // first byte of the range that is not yet in the file
  int64_t last = 0;   // last byte of the range, inclusive
  bool operator==(const ResumePair&) const = default;
};

// The record's bytes for `pairs`, in their order, N last.
std::string EncodeResumeRecord(const std::vector<ResumePair>& pairs);

// Reads the record from `tail`, the file's bytes past T (the whole tail, so
// its size must be exactly 16 x N + 8). True only when every pair lies inside
// the package (0 <= first <= last <= T - 1), no two pairs overlap and their
// sum does not exceed T; then `pairs` maps first -> last. Anything else (a
// short or odd tail, N <= 0, a wrong N, reversed, out-of-range or overlapping
// pairs) rejects the whole record: false, `pairs` empty.
bool ParseResumeRecord(const uint8_t* tail, size_t size, int64_t total, std::map<int64_t, int64_t>* pairs);

// Sorts the pairs and merges those that overlap or touch, so that a record
// built from them never holds overlapping pairs; empty pairs (first > last)
// are dropped.
std::vector<ResumePair> MergeResumePairs(std::vector<ResumePair> pairs);

}  // namespace ns_VYN
