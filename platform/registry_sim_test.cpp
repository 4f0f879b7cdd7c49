// The registry file of the sandbox: shared by processes, and a damaged file
// falls back to the profile's seed instead of failing; and the access rules
// of a user who is no administrator, which the real machine's user is.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class RegistryFileTest : public testing::SimMachineTest {
 protected:
  void SetUp() override { UseProfile(R"({"registry": {"HKCU\\Software\\Seeded": {"Value": "seed"}}})"); }
  static uint32_t Write(const std::wstring& name) {
    std::unique_ptr<RegKey> key;
    uint32_t result = OpenRegKey(RegRoot::kCurrentUser, L"Software\\Seeded", kRegAll, RegView::kDefault, true, &key);
    return result == kErrorSuccess ? key->SetValue(name, MakeRegSz(name)) : result;
  }
  static std::wstring Read(const std::wstring& name) {
    std::unique_ptr<RegKey> key;
    RegValue value;
    if (OpenRegKey(RegRoot::kCurrentUser, L"Software\\Seeded", kRegRead, RegView::kDefault, false, &key) !=
            kErrorSuccess ||
        key->QueryValue(name, &value, 1024) != kErrorSuccess) {
      return L"<missing>";
    }
    return RegValueText(value);
  }
};

TEST_F(RegistryFileTest, WritesOfSeveralProcessesAllLand) {
  std::vector<pid_t> children;
  for (int c = 0; c < 3; ++c) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      bool ok = true;
      for (int i = 0; i < 10; ++i) ok = Write(L"p" + std::to_wstring(c * 10 + i)) == kErrorSuccess && ok;
      _exit(ok ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int v = 0; v < 30; ++v) EXPECT_EQ(Read(L"p" + std::to_wstring(v)), L"p" + std::to_wstring(v));
  EXPECT_EQ(Read(L"Value"), L"seed");
}

TEST_F(RegistryFileTest, DamagedFileIsReadAsTheSeedAndReplacedByTheNextWrite) {
  ASSERT_EQ(Write(L"Added"), kErrorSuccess);
  WriteHostFile("registry.json", "{not json");
  EXPECT_EQ(Read(L"Value"), L"seed");
  EXPECT_EQ(Read(L"Added"), L"<missing>");
  ASSERT_EQ(Write(L"Again"), kErrorSuccess);
  EXPECT_EQ(Read(L"Again"), L"Again");
}

class NonAdministratorTest : public testing::SimMachineTest {
 protected:
  void SetUp() override { UseProfile(R"({"admin": false})"); }
};

TEST_F(NonAdministratorTest, OnlyReadsTheMachineKeys) {
  std::unique_ptr<RegKey> key;
  EXPECT_EQ(OpenRegKey(RegRoot::kLocalMachine, L"SOFTWARE\\Microsoft\\Internet Explorer", kRegAll, RegView::k32,
                       false, &key),
            kErrorAccessDenied);
  EXPECT_EQ(OpenRegKey(RegRoot::kLocalMachine, L"SOFTWARE\\New", kRegRead, RegView::k32, true, &key),
            kErrorAccessDenied);
  ASSERT_EQ(OpenRegKey(RegRoot::kLocalMachine, L"SOFTWARE\\Microsoft\\Internet Explorer", kRegRead, RegView::k32,
                       true, &key),
            kErrorSuccess);
  RegValue value;
  ASSERT_EQ(key->QueryValue(L"Version", &value, 4096), kErrorSuccess);
  EXPECT_EQ(RegValueText(value), L"9.11.19041.0");
  EXPECT_EQ(OpenRegKey(RegRoot::kCurrentUser, L"Software\\Mine", kRegAll, RegView::kDefault, true, &key),
            kErrorSuccess);
}

}  // namespace
}  // namespace platform
