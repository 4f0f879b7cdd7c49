#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "platform/tcp_statistics.h"
#include "platform/win_error.h"

namespace platform {

bool GetTcpReceivedSegments(uint64_t* segments) {
  WSADATA data;
  int started = WSAStartup(MAKEWORD(2, 2), &data);
  if (started != 0) {
    SetLastErrorCode(static_cast<uint32_t>(started));
    return false;
  }
  MIB_TCPSTATS stats = {};
  DWORD result = GetTcpStatistics(&stats);
  WSACleanup();
  if (result != NO_ERROR) {
    SetLastErrorCode(result);
    return false;
  }
  *segments = stats.dwInSegs;
  return true;
}

}  // namespace platform
