#pragma once
// Deployment values: where the maker's services live for this build. The
// demo build points everything at the local demo platform on loopback.

namespace deployment {

// Base URL of the platform service when the product configuration names none.
inline constexpr const wchar_t* kDefaultServerHost = L"http://127.0.0.1:18080/platform/";
// The maker's licence page when the product configuration gives none.
inline constexpr const wchar_t* kDefaultLicenseUrl = L"http://127.0.0.1:18080/web/license";

}  // namespace deployment
