// The client identifier where only the simulated machine can go: a
// cryptographic random source that can not be opened.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/sim_control.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/client_sign.h"

namespace {

// Run in a fresh process so that no earlier test has seeded the generator.
TEST(NewGuidStringDeathTest, UnseededGeneratorGivesTheAllZeroIdentifier) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::string error;
        std::string sandbox = platform::testing::MakeTempHostFolder("kiv-guid-");
        bool used = platform::sim::UseMachine(R"({"random_fails": true})", sandbox, &error);
        bool zero = NewGuidString() == "{00000000-0000-4000-8000-000000000000G}";
        platform::testing::RemoveHostTree(sandbox);
        std::exit(used && zero ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
