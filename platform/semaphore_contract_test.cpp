// What a named semaphore does on Windows: the name exists while any handle
// to it is open. Runs on every backend.
#include <gtest/gtest.h>

#include "platform/semaphore.h"
#include "platform/system_info.h"
#include "platform/testing/scratch_fixture.h"

namespace platform {
namespace {

class SemaphoreContract : public testing::ScratchTest {};

TEST_F(SemaphoreContract, NameExistsWhileAnyHandleIsOpen) {
  std::string unique = std::to_string(CurrentProcessId());
  std::wstring name = L"KivContractTest-" + std::wstring(unique.begin(), unique.end());
  bool existed = true;
  auto first = CreateNamedSemaphore(name, 1, 1, &existed);
  ASSERT_TRUE(first);
  EXPECT_FALSE(existed);
  auto second = CreateNamedSemaphore(name, 1, 1, &existed);
  ASSERT_TRUE(second);
  EXPECT_TRUE(existed);

  first.reset();
  CreateNamedSemaphore(name, 1, 1, &existed);  // opened and closed at once
  EXPECT_TRUE(existed);
  second.reset();
  auto fresh = CreateNamedSemaphore(name, 1, 1, &existed);
  ASSERT_TRUE(fresh);
  EXPECT_FALSE(existed);
}

}  // namespace
}  // namespace platform
