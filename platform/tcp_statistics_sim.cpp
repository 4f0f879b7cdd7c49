// The host's own counter: /proc/net/snmp's "Tcp:" InSegs, the same figure
// GetTcpStatistics reports as dwInSegs on Windows.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/tcp_statistics.h"
#include "platform/win_error.h"

namespace platform {
namespace {

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

}  // namespace

bool GetTcpReceivedSegments(uint64_t* segments) {
  std::ifstream snmp("/proc/net/snmp");
  // The file holds pairs of lines per protocol: the names, then the values.
  for (std::string names, values; std::getline(snmp, names) && std::getline(snmp, values);) {
    if (names.rfind("Tcp:", 0) != 0) continue;
    std::vector<std::string> keys = Words(names), numbers = Words(values);
    for (size_t i = 1; i < keys.size() && i < numbers.size(); ++i) {
      if (keys[i] == "InSegs") {
        *segments = std::stoull(numbers[i]);
        return true;
      }
    }
  }
  SetLastErrorCode(kErrorFileNotFound);
  return false;
}

}  // namespace platform
