#pragma once
// The resources compiled into the executable (generated from resources/).
#include <cstddef>

namespace kiv_resources {

struct Embedded {
  const char* type;
  int id;
  const unsigned char* data;
  size_t size;
};

extern const Embedded kEmbedded[];
extern const size_t kEmbeddedCount;
// The installer's version as the four numbers of its version resource.
extern const unsigned kVersion[4];

}  // namespace kiv_resources
