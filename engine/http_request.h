#pragma once
// The HTTP request functions that every service call uses: one libcurl easy
// handle per call, one synchronous transfer on the calling thread, nothing
// shared between calls, no retries and no host fallback of their own. The
// HTTP status is not returned: callers judge by the libcurl result code and
// by the content of the answer.
//
// Service requests verify TLS certificates (against
// deployment::kServiceCaFile when one is set): the answers name the packages
// and their digests, so nobody on the path may replace them.
#include <cstdint>
#include <string>
#include <vector>

namespace ns_VYN {

enum CurlMethod : int { kCurlGet = 0, kCurlHead = 1, kCurlPost = 2 };

// One request. `headers` are complete header lines without line end.
// `body` is sent by kCurlPost only. *resultCode receives the libcurl result
// code (left untouched when no handle can be made). The answer is the raw
// header block (only when `captureHeaders`) followed by the body with every
// CR LF pair removed; whatever arrived before a failure is returned too.
// Limits: 5 s to connect, 5 s for the whole transfer; IPv4 only; redirects
// are followed.
std::string CurlRequest(int method, const std::wstring& url, const std::vector<std::string>& headers,
                        bool forceHttp10, bool captureHeaders, const std::string& body, int* resultCode);

// A multipart upload of one file as the part named "file" (HTTP/1.0, 5 s to
// connect, 10 s in all). `url` and `filePath` are UTF-8.
std::string CurlFormDataRequest(const std::string& url, const std::vector<std::string>& headers,
                                const std::string& filePath, int* resultCode);

// The remote file's size from the last "Content-Length:" of a HEAD answer,
// or of a GET answer when HEAD gives none; 0 when no size can be learned.
// A non-empty `host` is sent as the "Host:" header (the URL then names one
// address of that host).
int64_t GetRemoteFileSize(const std::wstring& url, const std::wstring& host);

// Sets the CA bundle that service requests trust, in place of
// deployment::kServiceCaFile (tests trust their own throwaway CA).
void SetServiceCaFile(const std::string& path);

}  // namespace ns_VYN
