#pragma once
// Where tests find the programs of tools/testprogs (the build passes the
// folder as KIV_TESTPROGS_DIR), and a profile member that maps them into
// the simulated machine as Windows programs.
#include <string>
#include <utility>
#include <vector>

namespace testprogs {

inline std::string HostPath(const std::string& name) { return std::string(KIV_TESTPROGS_DIR) + "/" + name; }

// JSON text with quotes and backslashes escaped.
inline std::string JsonText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// "programs": {windows path: host program, ...} for a machine profile.
inline std::string ProgramsMember(const std::vector<std::pair<std::string, std::string>>& winPathToProgram) {
  std::string out = "\"programs\": {";
  for (size_t i = 0; i < winPathToProgram.size(); ++i) {
    if (i) out += ", ";
    out += JsonText(winPathToProgram[i].first) + ": " + JsonText(HostPath(winPathToProgram[i].second));
  }
  return out + "}";
}

}  // namespace testprogs
