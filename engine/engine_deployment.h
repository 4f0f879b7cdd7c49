#pragma once
// Deployment values of the download engine: where the HTTP DNS service is,
// the account it is queried with, and which certificate authorities service
// requests trust. The defaults point at the local demo platform
// (tools/, on 127.0.0.1:18080), which answers "<base>/resolve?..." for both
// endpoints.
namespace ns_VYN::deployment {

// Base URLs of the two HTTP DNS endpoints (scheme, address, optional prefix);
// "/resolve?..." is appended. The fallback is asked only when the primary
// fails or answers nothing.
inline constexpr const wchar_t* kHttpDnsPrimary = L"http://127.0.0.1:18080/httpdns";
inline constexpr const wchar_t* kHttpDnsFallback = L"http://127.0.0.1:18080/httpdns-fallback";

// HTTP DNS account: Base64 texts into which a run of filler characters ('~',
// outside the Base64 alphabet) has been inserted, so that the values do not
// stand in the binary as they are sent. RestoreAccountValue undoes it.
inline constexpr const char* kHttpDnsAccountId = "MTAw~MDQy";                                          // 9
inline constexpr const char* kHttpDnsAccessKeyId = "a2l2LWRlbW8tYWNjZXNzLWtleS0wMDAx~~~~LWxvY2FsLTAx";  // 48
inline constexpr const char* kHttpDnsSecret = "a2l2LWRl~~~~~bW8tc2lnbmluZy1zZWNyZXQh";                   // 37

// Certificate authorities that service requests (CurlRequest,
// CurlFormDataRequest) verify against: a PEM bundle path, or empty for the TLS
// library's own store (the system store with Schannel).
inline constexpr const char* kServiceCaFile = "";

}  // namespace ns_VYN::deployment
