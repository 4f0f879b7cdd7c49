#pragma once
// Membership of the current token in the built-in Administrators group.

namespace platform {

enum class AdminMembership {
  kMember,
  kNotMember,
  kCheckFailed,  // the SID could not be built or the membership test failed
};

// AllocateAndInitializeSid(S-1-5-32-544) + CheckTokenMembership.
AdminMembership CheckAdministratorsMembership();

}  // namespace platform
