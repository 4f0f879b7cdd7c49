#pragma once
// COM initialisation of the calling thread (apartment-threaded).
#include <cstdint>

namespace platform {

// CoInitialize: false on failure, with the thread's last error code in `error`.
bool InitializeComApartment(uint32_t* error);
void UninitializeCom();

}  // namespace platform
