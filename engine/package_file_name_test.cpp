#include "engine/package_file_name.h"

#include <gtest/gtest.h>

namespace ns_VYN {
namespace {

TEST(PackageFileNameTest, TakesTheLastSegmentAndKeepsItInsideTheFolder) {
  const struct {
    const char* url;
    const char* name;
  } cases[] = {
      {"http://cdn.test/pkg/setup_1.2.exe", "setup_1.2.exe"},
      {"https://cdn.test/a/setup.exe?sign=x/y&t=1", "setup.exe"},
      {"https://cdn.test/a/setup.exe#part/2", "setup.exe"},
      {"http://cdn.test/dl?file=../../evil.exe", "dl"},
      {"http://cdn.test/a/..", "__"},
      {"http://cdn.test/a/.", "_"},
      {"http://cdn.test/a/", "_"},
      {"http://cdn.test/a/x%2F..%5Cy", "x%2F..%5Cy"},
      {"http://cdn.test/a/b\\..\\..\\evil.exe", "b_.._.._evil.exe"},
      {"http://cdn.test/a/c:evil|<>\"*.exe", "c_evil_____.exe"},
      {"http://cdn.test/a/tab\there", "tab_here"},
      {"http://cdn.test/a/setup.exe. .", "setup.exe___"},
      {"http://cdn.test/a/NUL.exe", "_NUL.exe"},
      {"http://cdn.test/a/com7", "_com7"},
      {"http://cdn.test/a/com10", "com10"},
      {"http://cdn.test", "cdn.test"},
      {"no-slash-at-all", "_"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PackageFileName(c.url), c.name) << c.url;
  }
}

}  // namespace
}  // namespace ns_VYN
