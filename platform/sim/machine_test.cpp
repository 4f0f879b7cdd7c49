#include "platform/sim/machine.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>

#include "platform/files.h"
#include "platform/sim_control.h"
#include "platform/testing/sim_machine_fixture.h"

namespace {

using platform::testing::MakeTempHostFolder;
using platform::testing::RemoveHostTree;

TEST(SimMachine, ProfileMembersMergeOverTheBuiltInMachine) {
  std::string folder = MakeTempHostFolder("kiv-machine-");
  std::string error;
  ASSERT_TRUE(platform::sim::UseMachine(R"({"os": {"bits": 32, "wow64": false}, "drives": {"D": {"type": "removable"}},
                                          "env": {"windir": null, "EXTRA": "x"}})",
                                        folder + "/box", &error))
      << error;
  const platform::sim::Machine& m = platform::sim::TheMachine();
  EXPECT_EQ(m.Int("os.bits", 0), 32);
  EXPECT_EQ(m.Int("os.major", 0), 10);  // kept from the built-in profile
  ASSERT_EQ(m.Drives().size(), 2u);
  EXPECT_EQ(m.Drive(L'd')->type, "removable");
  EXPECT_EQ(m.Env().count(L"windir"), 0u);
  EXPECT_EQ(m.Env().at(L"EXTRA"), L"x");
  EXPECT_EQ(m.Env().at(L"ProgramFiles"), L"C:\\Program Files");  // 32-bit Windows has no (x86) folder
  EXPECT_EQ(m.Env().count(L"PROCESSOR_ARCHITEW6432"), 0u);
  EXPECT_TRUE(platform::DirectoryExists(L"C:\\Users\\me\\AppData\\Local\\Temp"));
  RemoveHostTree(folder);
}

TEST(SimMachine, WindowsPathsMapOntoTheSandboxCaseBlind) {
  std::string folder = MakeTempHostFolder("kiv-machine-");
  std::string error;
  ASSERT_TRUE(platform::sim::UseMachine("{}", folder + "/box", &error)) << error;
  std::string host;
  ASSERT_TRUE(platform::sim::HostPathOf(L"c:\\users\\ME\\appdata\\..\\Desktop\\a.txt", &host));
  EXPECT_EQ(host, folder + "/box/C/Users/me/Desktop/a.txt");
  EXPECT_EQ(platform::sim::WinPathOf(host), L"C:\\Users\\me\\Desktop\\a.txt");
  EXPECT_FALSE(platform::sim::HostPathOf(L"Z:\\x", &host));
  EXPECT_FALSE(platform::sim::HostPathOf(L"relative\\x", &host));
  EXPECT_FALSE(platform::sim::HostPathOf(L"", &host));
  RemoveHostTree(folder);
}

TEST(SimMachine, ABrokenProfileIsRefusedWithItsProblem) {
  std::string folder = MakeTempHostFolder("kiv-machine-");
  std::string error;
  EXPECT_FALSE(platform::sim::UseMachine("{\"admin\": tru", folder + "/box", &error));
  EXPECT_NE(error.find("not a JSON object"), std::string::npos) << error;
  EXPECT_FALSE(platform::sim::UseMachine("[1, 2]", folder + "/box", &error));
  RemoveHostTree(folder);
}

TEST(SimMachineDeathTest, AProcessWithABrokenProfileFileNamesTheFileAndStops) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process loads the machine anew
  std::string folder = MakeTempHostFolder("kiv-machine-");
  std::string profile = folder + "/broken.json";
  FILE* f = fopen(profile.c_str(), "w");
  ASSERT_TRUE(f);
  fputs("{\"os\": {\"bits\": 64,,}}", f);
  fclose(f);
  setenv("KIV_SIM_PROFILE", profile.c_str(), 1);
  setenv("KIV_SIM_SANDBOX", (folder + "/box").c_str(), 1);
  EXPECT_EXIT(platform::sim::TheMachine(), ::testing::ExitedWithCode(2),
              "machine profile .*broken\\.json: machine profile is not a JSON object");
  setenv("KIV_SIM_PROFILE", (folder + "/missing.json").c_str(), 1);
  EXPECT_EXIT(platform::sim::TheMachine(), ::testing::ExitedWithCode(2), "can not read the machine profile .*missing\\.json");
  unsetenv("KIV_SIM_PROFILE");
  RemoveHostTree(folder);
}

}  // namespace
