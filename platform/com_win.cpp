// COM initialisation of the calling thread through CoInitialize.
#include <windows.h>
#include <objbase.h>

#include "platform/com.h"

namespace platform {

bool InitializeComApartment(uint32_t* error) {
  // S_FALSE (already initialised as an apartment) succeeds too, and like
  // S_OK it must be balanced by UninitializeCom.
  HRESULT result = CoInitialize(nullptr);
  if (SUCCEEDED(result)) return true;
  // The HRESULT (RPC_E_CHANGED_MODE on a thread of the other model) is the
  // error the caller reports; it is left as the last error too.
  SetLastError(static_cast<DWORD>(result));
  if (error) *error = static_cast<uint32_t>(result);
  return false;
}

void UninitializeCom() { CoUninitialize(); }

}  // namespace platform
