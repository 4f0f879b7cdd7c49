#pragma once
// Reading "Content-Length:" out of a captured response header block. With
// redirects followed the block holds the headers of every hop, so the last
// occurrence belongs to the final answer.
#include <cstdint>
#include <string>

namespace ns_VYN {

// The text between the last "Content-Length:" (case-sensitive) and the CR LF
// that ends its line; false when there is no such header or its line has no
// CR LF.
bool LastContentLengthText(const std::string& headerBlock, std::string* valueText);

// The length that a value text declares, with every space removed first
// ("1 024" is 1024). Anything but decimal digits (after an optional "+"), a
// negative number, or a number beyond the int64 range gives 0, which callers
// take as "no size".
int64_t ParseContentLength(const std::string& valueText);

}  // namespace ns_VYN
