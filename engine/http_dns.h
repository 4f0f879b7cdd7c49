#pragma once
// The HTTP DNS client: asks the HTTP DNS service for a host's IPv4
// addresses when the system resolver cannot resolve it. The query is signed
// with the account's secret: key = SHA-256 of account id, secret, time stamp,
// host and access key id, as lower-case hexadecimal.
#include <string>
#include <vector>

namespace ns_VYN {

// Asks the primary endpoint, and once more the fallback endpoint when the
// primary fails or answers nothing (same time stamp and key). The address
// texts are returned as the service wrote them; true when there is one.
bool QueryHttpDns(const std::string& utf8Host, std::vector<std::string>* addresses);

// "/resolve?type=1&short=1&uid=..&ak=..&name=..&ts=..&key=.." (no value is
// URL-encoded).
std::string HttpDnsQueryPath(const std::string& utf8Host, const std::string& accountId,
                             const std::string& accessKeyId, const std::string& secret,
                             const std::string& timeStamp);

// The pieces of an answer that lists addresses as a JSON array of strings
// (["1.2.3.4","5.6.7.8"]): the outer characters are dropped, the rest is
// split at ",", and each piece is trimmed and loses its quotes. Nothing is
// validated here; an answer shorter than 2 characters yields nothing.
std::vector<std::string> ParseHttpDnsAnswer(const std::string& utf8Answer);

// An account value as stored: Base64 with filler characters inserted. The
// filler (anything outside the Base64 alphabet) is removed, the rest decoded.
std::string RestoreAccountValue(const std::string& stored);

// Base URLs of the two endpoints; the deployment values until set.
void SetHttpDnsEndpoints(const std::wstring& primary, const std::wstring& fallback);

}  // namespace ns_VYN
