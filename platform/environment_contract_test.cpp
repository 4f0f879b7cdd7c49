// Contract of the process environment: setting, reading and removing a
// variable, as both backends must do it.
#include <gtest/gtest.h>

#include "platform/environment.h"
#include "platform/testing/scratch_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

using EnvironmentContractTest = testing::ScratchTest;

TEST_F(EnvironmentContractTest, SetReadAndRemoveAVariable) {
  const std::wstring name = L"KIV_CONTRACT_VARIABLE";
  ASSERT_TRUE(SetEnvironmentValue(name, L"first value"));
  std::wstring value;
  EXPECT_EQ(GetEnvironmentValue(L"kiv_contract_variable", 260, &value), 11u) << "names are case-blind";
  EXPECT_EQ(value, L"first value");
  ASSERT_TRUE(SetEnvironmentValue(L"Kiv_Contract_Variable", L""));
  EXPECT_EQ(GetEnvironmentValue(name, 260, &value), 0u) << "an empty value still exists";
  EXPECT_EQ(GetLastErrorCode(), kErrorSuccess);
  ASSERT_TRUE(SetEnvironmentValue(name, nullptr));
  EXPECT_EQ(GetEnvironmentValue(name, 260, &value), 0u);
  EXPECT_EQ(GetLastErrorCode(), kErrorEnvVarNotFound);
}

TEST_F(EnvironmentContractTest, ANameHoldingAnEqualsSignIsRefused) {
  EXPECT_FALSE(SetEnvironmentValue(L"KIV_A=B", L"x"));
  EXPECT_EQ(GetLastErrorCode(), kErrorInvalidParameter);
  std::wstring value;
  EXPECT_EQ(GetEnvironmentValue(L"KIV_A", 260, &value), 0u);
}

}  // namespace
}  // namespace platform
