// Test program: semaphore_probe NAME HOLD_MS
// Creates the named semaphore NAME, holds it for HOLD_MS milliseconds and
// exits with 1 when the name existed already, 0 when it was new, 2 when it
// could not be created.
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/semaphore.h"

int main(int argc, char** argv) {
  if (argc < 3) return 100;
  std::string name = argv[1];
  bool existed = false;
  auto semaphore = platform::CreateNamedSemaphore(std::wstring(name.begin(), name.end()), 1, 1, &existed);
  if (!semaphore) return 2;
  std::this_thread::sleep_for(std::chrono::milliseconds(atoll(argv[2])));
  return existed ? 1 : 0;
}
