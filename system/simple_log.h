#pragma once
// The installer's log file: one plain-text file per run, one line per call,
// "[date time] thread-id - message". Opening archives the previous run's file
// under a dated name and keeps at most five files of the same name.
#include <mutex>
#include <string>

class simpleLog {
 public:
  // fileName: the full path (ANSI code page) of the current log file.
  explicit simpleLog(std::string fileName);

  // Prunes old archives and archives the previous run's file; afterwards the
  // current file does not exist until the first line is written.
  void Open();
  // Appends one line; the file is opened and closed for every line so that
  // it is complete at any moment.
  void Write(const std::string& message);
  const std::string& CurrentFileName() const { return current_; }

 private:
  void Prune();
  void Archive();

  std::mutex lock_;
  std::string configured_;
  std::string current_;
};

// The process-wide logger; nullptr until the log has been opened.
simpleLog* TheLogger();
// Makes `logger` the process-wide logger (it is never destroyed).
void InstallLogger(simpleLog* logger);

// Most files of one log name that Open keeps.
inline constexpr size_t kMaxLogFiles = 5;
