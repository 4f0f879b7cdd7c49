#pragma once
// The name under which a package is saved, taken from its URL.
#include <string>

namespace ns_VYN {

// The URL's last path segment, without query string and fragment (UTF-8).
// Whatever a server puts there, the result is one plain file name inside the
// save folder: characters that Windows forbids in file names become "_", a
// name of only dots becomes underscores, trailing dots and blanks (which
// Windows drops) become "_", device names (CON, NUL, COM1, ...) get a "_"
// in front, and an empty segment gives "_".
std::string PackageFileName(const std::string& url);

}  // namespace ns_VYN
