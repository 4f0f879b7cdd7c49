#pragma once
// The machine's IPv4 TCP counters, for the download engine's share of the
// incoming traffic.
#include <cstdint>

namespace platform {

// Segments received over IPv4 TCP since the system started (GetTcpStatistics'
// dwInSegs on Windows, between WSAStartup 2.2 and WSACleanup). False (last
// error set) when the socket library can not be started or the statistics
// can not be read.
bool GetTcpReceivedSegments(uint64_t* segments);

}  // namespace platform
