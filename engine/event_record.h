#pragma once
// What a download reports: one small record per event, created on the heap
// by the sender and handed to the observer, which owns it from then on.
#include <cstdint>

namespace ns_VYN {

// Event types; what `data`, `value1` and `value2` carry is noted per type.
enum EventType : int {
  kEventFileName = 0,         // data: const wchar_t* file name
  kEventFileSize = 1,         // data: low 32 bits of the size
  kEventFinished = 2,         // data: const int* status
  kEventProgress = 3,         // data: ProgressBlock* (owned by the record)
  kEventRangeLength = 4,      // data: low 32 bits of a new range's remaining bytes
  kEventRangeKind1 = 5,       // never sent
  kEventRangeKind2 = 6,       // never sent
  kEventStart = 7,
  kEventRangeHost = 8,        // data: const char* address text (may be null)
  kEventAttemptStart = 9,     // data: const int* attempt
  kEventAttemptEnd = 10,      // value1 attempt, value2 status
  kEventFileMd5 = 11,         // data: const char* digest text
  kEventMd5Match = 12,
  kEventFileOpFailed = 13,    // value1 what, value2 error
  kEventGetInfoFailed = 14,   // data: const int* reason
  kEventDnsCacheCleared = 15, // data: const int* status
  kEventDnsQueried = 16,      // data: const char* "host:address,address"
  kEventPrepare = 17,
  kEventPlan = 18,            // value1 threads, value2 buffer size
};

// Carried by a progress event; freed together with its record.
struct ProgressBlock {
  int sender = -1;
  int64_t total = 0;
  int64_t downloaded = 0;
  int speed = 0;  // bytes per second
};

struct EventRecord {
  int sender = -1;
  int taskId = 0;
  int type = -1;
  intptr_t data = 0;  // a pointer or a 32-bit integer, by type; pointers are
                      // the sender's memory, valid only during Notify
  int value1 = 0;
  int value2 = 0;
};

// Receives every event record; takes ownership of it.
class IObserver {
 public:
  virtual void Notify(EventRecord* record, uintptr_t wparam) = 0;

 protected:
  ~IObserver() = default;
};

// The side of a download that parts of the engine report through (the cache
// file, the range transfers, the host lookup): sends one event of its task.
class IEventSender {
 public:
  virtual void SendEvent(int type, intptr_t data, int value1, int value2) = 0;

 protected:
  ~IEventSender() = default;
};

}  // namespace ns_VYN
