// Any response header block: finding the last "Content-Length:" and reading
// its value never crashes and never yields a negative size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/content_length.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string block(reinterpret_cast<const char*>(data), size);
  std::string value;
  if (ns_VYN::LastContentLengthText(block, &value)) {
    if (value.find("\r\n") != std::string::npos) abort();  // the value ends at the first line end
    if (ns_VYN::ParseContentLength(value) < 0) abort();
  }
  if (ns_VYN::ParseContentLength(block) < 0) abort();
  return 0;
}
