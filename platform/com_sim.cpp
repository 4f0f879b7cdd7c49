// COM initialisation of the simulated machine. A profile with "com_fails"
// true makes it fail with RPC_E_CHANGED_MODE (0x80010106), the result
// CoInitialize gives on a thread already initialised for another apartment
// model; that value is also left as the thread's last error.
#include "platform/com.h"

#include "platform/sim/machine.h"
#include "platform/win_error.h"

namespace platform {
namespace {
constexpr uint32_t kRpcEChangedMode = 0x80010106u;
}  // namespace

bool InitializeComApartment(uint32_t* error) {
  if (sim::TheMachine().Bool("com_fails", false)) {
    SetLastErrorCode(kRpcEChangedMode);
    if (error) *error = kRpcEChangedMode;
    return false;
  }
  return true;
}

// Nothing is held per thread in the simulation.
void UninitializeCom() {}

}  // namespace platform
