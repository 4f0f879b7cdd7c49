#pragma once
// libcurl's process-wide initialisation, run exactly once however many
// threads make their first handle at the same moment. Every function that
// creates an easy handle calls it first.
namespace ns_VYN {

void EnsureCurlGlobalInit();

}  // namespace ns_VYN
