#pragma once
// Result codes of one download: the value of the final event and of
// OnFailed. The manager, the window and the event catalogue use the same
// numbers as the download error code.
namespace ns_VYN {

enum DownloadStatus : int {
  kStatusSuccess = 0,         // also when the file was already there
  kStatusConnectFailed = 2,   // a range could not connect
  kStatusReceiveFailed = 3,   // receive failure, range refused or HTTP 416
  kStatusSendFailed = 4,
  kStatusNoSize = 5,          // the server told no file size
  kStatusFileFailed = 9,      // temporary file, final size or rename failed
  kStatusDiskFull = 10,       // no room for the pre-allocated temporary file
  kStatusMd5Mismatch = 11,
  kStatusCancelled = 13,
};

}  // namespace ns_VYN
