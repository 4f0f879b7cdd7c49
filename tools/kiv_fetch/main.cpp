// kiv-fetch URL FOLDER [MD5]: downloads one package with the installer's
// download engine and prints every engine event as one line on stdout
// ("OnPlan 1 24 5242880", "OnProgress 1 1048576 4194304 2097152", ...).
// The exit code is the download's final status (0 success, 13 cancelled,
// ...; see engine/download_status.h), 64 for a wrong command line.
// FOLDER is a Windows path ("C:\\Downloads"); on the simulated machine it
// lies in the sandbox (KIV_SIM_SANDBOX). Ctrl-C stops the download the way
// the installer does: the resume record is written, and the next run with
// the same URL and FOLDER continues from it. With KIV_FETCH_LOG set (a
// Windows path, like FOLDER), the engine's log lines go to that file.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "engine/downloader_manager.h"
#include "engine/event_lines.h"
#include "system/simple_log.h"
#include "system/text_convert.h"

namespace {

constexpr int kTaskId = 1;
constexpr int kUsageError = 64;

std::atomic<bool> interrupted{false};

void OnInterrupt(int) { interrupted = true; }

// Prints the events and keeps the final status.
class FetchEvents : public ns_VYN::EventLines {
 public:
  FetchEvents()
      : EventLines([](const std::string& line) {
          std::fputs((line + "\n").c_str(), stdout);
          std::fflush(stdout);
        }) {}

  void OnSuccess(int taskId) override {
    EventLines::OnSuccess(taskId);
    Finish(0);
  }
  void OnFailed(int taskId, int status) override {
    EventLines::OnFailed(taskId, status);
    Finish(status);
  }
  // The final status once the download has ended; -1 while it runs.
  int WaitFor(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait_for(lock, limit, [this] { return status_ >= 0; });
    return status_;
  }

 private:
  void Finish(int status) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      status_ = status;
    }
    finished_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable finished_;
  int status_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: kiv-fetch URL FOLDER [MD5]\n");
    return kUsageError;
  }
  if (const char* logPath = std::getenv("KIV_FETCH_LOG")) {
    static simpleLog log(logPath);
    log.Open();
    InstallLogger(&log);
  }
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);

  FetchEvents events;
  auto manager = ns_VYN::CreateDownloaderManager();
  manager->SetCallBack(&events);
  std::wstring url = Utf8ToWide(argv[1]);
  std::wstring folder = Utf8ToWide(argv[2]);
  std::wstring md5 = argc == 4 ? Utf8ToWide(argv[3]) : std::wstring();
  if (manager->AddTask(url.c_str(), folder.c_str(), L"", kTaskId, L"", md5.c_str(), 0) < 0) {
    return kUsageError;
  }
  int status = -1;
  bool stopping = false;
  while ((status = events.WaitFor(std::chrono::milliseconds(100))) < 0) {
    if (interrupted && !stopping) {
      stopping = true;
      manager->RemoveTask(kTaskId);  // its closing events still arrive
    }
  }
  manager->Shutdown();
  return status;
}
