#pragma once
// Host facts that several simulated objects share: whether a process that
// registered something in the sandbox still lives, and small file helpers
// for the sandbox's registration folders. Internal to the sim backend.
#include <cstdint>
#include <string>

namespace platform::sim {

// The host process's start time (clock ticks since boot, /proc/<pid>/stat);
// 0 when it does not exist or has ended (a zombie counts as ended). Together
// with the pid it names one process even after the pid is reused.
uint64_t ProcessStartTime(int pid);
bool ProcessAlive(int pid, uint64_t startTime);

// Creates the folder and its parents; true when it exists afterwards.
bool MakeHostFolders(const std::string& path);
// "<sandbox>/<name>", created when missing.
std::string SandboxSubfolder(const std::string& name);

// Whole-file read; false when it can not be read.
bool ReadHostText(const std::string& path, std::string* text);
// Writes through a temporary file and a rename, so readers in other
// processes see the old or the new content, never a part.
bool WriteHostTextAtomically(const std::string& path, const std::string& text);

// 64-bit FNV-1a: stable names for host objects derived from texts.
uint64_t StableHash(const std::string& text);

}  // namespace platform::sim
