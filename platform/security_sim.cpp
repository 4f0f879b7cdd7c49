// Administrators membership of the simulated user: the profile's "admin".
// true: member; false: not a member; any other value (for example the text
// "check_fails") stands for a membership test that can not be made.
#include "platform/security.h"

#include <cjson/cJSON.h>

#include "platform/sim/machine.h"
#include "platform/win_error.h"

namespace platform {

AdminMembership CheckAdministratorsMembership() {
  const cJSON* admin = sim::TheMachine().Item("admin");
  if (cJSON_IsBool(admin)) return cJSON_IsTrue(admin) ? AdminMembership::kMember : AdminMembership::kNotMember;
  SetLastErrorCode(kErrorAccessDenied);
  return AdminMembership::kCheckFailed;
}

}  // namespace platform
