// Administrators membership of the current token through Win32.
#include <windows.h>

#include "platform/security.h"

namespace platform {

AdminMembership CheckAdministratorsMembership() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                0, 0, &administrators)) {
    return AdminMembership::kCheckFailed;
  }
  // A null token checks the thread's (or else the process's) own token; an
  // unelevated token of an administrator holds the group deny-only and so
  // reads as not a member.
  BOOL member = FALSE;
  bool checked = CheckTokenMembership(nullptr, administrators, &member);
  FreeSid(administrators);
  if (!checked) return AdminMembership::kCheckFailed;
  return member ? AdminMembership::kMember : AdminMembership::kNotMember;
}

}  // namespace platform
