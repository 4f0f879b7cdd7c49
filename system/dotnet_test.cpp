// .NET Framework detection from the registry.
#include "system/dotnet.h"

#include <gtest/gtest.h>

#include "platform/testing/sim_machine_fixture.h"

namespace {

// On 32-bit Windows (no view redirection).
constexpr const char* kThirtyTwoBit = R"("os": {"bits": 32, "wow64": false})";

class DotNetTest : public platform::testing::MachineTest {
 protected:
  void SetUp() override { UseProfile(std::string("{") + kThirtyTwoBit + "}"); }
  // Registry keys as profile JSON members.
  void UseRegistry(const std::string& keys) {
    UseProfile(std::string("{") + kThirtyTwoBit + R"(, "registry": {)" + keys + "}}");
  }
};

constexpr const char* kNdpKey = R"("HKLM\\SOFTWARE\\Microsoft\\NET Framework Setup\\NDP)";
std::string Ndp(const std::string& sub, const std::string& values) {
  return std::string(kNdpKey) + "\\\\" + sub + "\": " + values;
}

TEST_F(DotNetTest, RequirementAgainstInstalledFrameworks) {
  const std::string only35 = Ndp("v3.5", R"({"Install": 1, "Version": "3.5.30729.4926"})");
  const std::string only48 = Ndp("v4\\\\Full", R"({"Install": 1, "Version": "4.8.09032"})") + "," +
                             Ndp("v4\\\\Client", R"({"Install": 1, "Version": "4.8.09032"})");
  const std::string only20 = Ndp("v2.0.50727", R"({"Install": 1, "Version": "2.0.50727.4927"})");
  const std::string notInstalled = Ndp("v3.5", R"({"Install": 0, "Version": "3.5.30729.4926"})");
  const std::string bigEndian =
      Ndp("v3.5", R"({"Install": {"type": "REG_DWORD_BIG_ENDIAN", "data": 1}, "Version": "3.5.1"})");
  const std::string textFlag = Ndp("v3.5", R"({"Install": "1", "Version": "3.5.1"})");
  const std::string noVersion = Ndp("v4\\\\Full", R"({"Install": 1})");
  const std::string odd = Ndp("v1.1.4322", R"({"Install": 1, "Version": "1.1.4322"})") + "," +
                          Ndp("CDF", R"({"Install": 1, "Version": "4.0"})");
  struct Case {
    const std::string& ndp;
    const wchar_t* required;
    bool expected;
  } cases[] = {
      {only35, L"2.0", true},        {only35, L"3.5", true},        {only35, L"3.5.1", true},
      {only35, L"4.5", false},       {only35, L"3.6", false},       {only48, L"2.0", false},
      {only48, L"4.5", true},        {only48, L"4.8", true},        {only48, L"4.9", false},
      {only20, L"2.0", true},        {only20, L"3.0", false},       {notInstalled, L"2.0", false},
      {bigEndian, L"3.5", true},     {textFlag, L"2.0", false},     {noVersion, L"4.0", false},
      {odd, L"1.1", false},          {odd, L"4.0", false},          {only35, L"5.0", false},
      {only35, L"1.0", false},
  };
  for (const Case& c : cases) {
    UseRegistry(c.ndp);
    EXPECT_EQ(IsDotNetVersionInstalled(c.required), c.expected) << c.required << " with " << c.ndp;
  }
  UseRegistry("");
  EXPECT_FALSE(IsDotNetVersionInstalled(L"2.0"));
}

TEST_F(DotNetTest, PolicyNeedsAPolicyKeyAndAnInstallRoot) {
  const std::string root = R"("HKLM\\SOFTWARE\\Microsoft\\.NETFramework": {"InstallRoot": "C:\\Windows\\Microsoft.NET\\Framework\\"})";
  const std::string emptyRoot = R"("HKLM\\SOFTWARE\\Microsoft\\.NETFramework": {"InstallRoot": ""})";
  const std::string policy20 = R"("HKLM\\SOFTWARE\\Microsoft\\.NETFramework\\policy\\v2.0": {})";
  const std::string policy50727 = R"("HKLM\\SOFTWARE\\Microsoft\\.NETFramework\\policy\\v2.0.50727": {})";
  struct Case {
    std::string registry;
    bool expected;
  } cases[] = {
      {root + "," + policy20, true},
      {root + "," + policy50727, true},
      {root, false},
      {emptyRoot + "," + policy20, false},
      {policy20, false},
  };
  for (const Case& c : cases) {
    UseRegistry(c.registry);
    EXPECT_EQ(HasDotNet2Policy(), c.expected) << c.registry;
  }
}

}  // namespace
