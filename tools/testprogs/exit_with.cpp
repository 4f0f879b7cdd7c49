// Test program: exit_with CODE [SLEEP_MS]
// Sleeps SLEEP_MS milliseconds, then ends with the 32-bit exit code CODE
// (decimal, may be negative or above 2^31).
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/process.h"

int main(int argc, char** argv) {
  if (argc < 2) return 100;
  if (argc > 2) std::this_thread::sleep_for(std::chrono::milliseconds(atoll(argv[2])));
  platform::ExitCurrentProcess(static_cast<uint32_t>(strtoll(argv[1], nullptr, 10)));
}
