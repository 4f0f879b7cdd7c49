#pragma once
// Where the log lives: the user's temporary folder + "Tarnwick\\KIV\\".
#include <string>

inline constexpr const char* kLogFileName = "twKIV.log";
inline constexpr const char* kForkLogFileName = "twForkKIV.log";

// Finds (and creates) the log folder, falling back to the temporary folder
// itself when it can not be created, then creates and opens the process
// logger for folder + fileName. Does nothing when the logger exists.
void GetLogFolder(const std::string& fileName);
