// Resources of the simulated executable: the compiled-in table, profile
// overrides, and version resources.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/resources.h"
#include "platform/testing/sim_machine_fixture.h"
#include "resources/embedded.h"

namespace platform {
namespace {

class ResourcesTest : public testing::SimMachineTest {};

std::string SourceFile(const std::string& relative) {
  std::string here = __FILE__;
  std::ifstream in(here.substr(0, here.rfind("platform/")) + relative, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST_F(ResourcesTest, EmbeddedResourceUnlessTheProfileOverridesIt) {
  std::optional<std::string> product = FindResourceData("XML", 106);
  ASSERT_TRUE(product.has_value());
  EXPECT_EQ(*product, SourceFile("resources/product.xml"));
  EXPECT_FALSE(FindResourceData("XML", 999).has_value());
  EXPECT_FALSE(FindResourceData("EXE", 106).has_value());

  std::string file = WriteHostFile("fixture/alt.xml", "<from-file/>");
  UseProfile(R"({"resources": {"XML/106": null, "XML/131": "<inline/>", "XML/109": {"file": ")" + file + R"("}}})");
  EXPECT_FALSE(FindResourceData("XML", 106).has_value());
  EXPECT_EQ(FindResourceData("XML", 131).value_or("?"), "<inline/>");
  EXPECT_EQ(FindResourceData("XML", 109).value_or("?"), "<from-file/>");
}

TEST_F(ResourcesTest, VersionOfTheExecutableAndOfListedFiles) {
  UseProfile(R"({"self_path": "C:\\Setup\\kiv.exe", "file_versions": {"C:\\App\\app.exe": "7.8.9.10"}})");
  EXPECT_EQ(GetModulePath(), L"C:\\Setup\\kiv.exe");
  FileVersion version;
  ASSERT_TRUE(GetFileVersionOf(L"c:\\setup\\KIV.EXE", &version));
  EXPECT_EQ(version.mostSignificant, kiv_resources::kVersion[0] << 16 | kiv_resources::kVersion[1]);
  EXPECT_EQ(version.leastSignificant, kiv_resources::kVersion[2] << 16 | kiv_resources::kVersion[3]);
  ASSERT_TRUE(GetFileVersionOf(L"C:\\App\\App.exe", &version));
  EXPECT_EQ(version.mostSignificant, 7u << 16 | 8u);
  EXPECT_EQ(version.leastSignificant, 9u << 16 | 10u);
  EXPECT_FALSE(GetFileVersionOf(L"C:\\App\\other.exe", &version));
}

}  // namespace
}  // namespace platform
