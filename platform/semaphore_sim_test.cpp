#include "platform/semaphore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/process.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/win_error.h"
#include "tools/testprogs/test_programs.h"

namespace platform {
namespace {

class NamedSemaphoreTest : public testing::SimMachineTest {
 protected:
  void SetUp() override {
    UseProfile("{" + testprogs::ProgramsMember({{"C:\\Tools\\semaphore_probe.exe", "semaphore_probe"}}) + "}");
  }

  std::unique_ptr<Process> StartProbe(const std::wstring& name, int holdMs) {
    ProcessStart start;
    start.commandLine = L"C:\\Tools\\semaphore_probe.exe \"" + name + L"\" " + std::to_wstring(holdMs);
    return StartProcess(start);
  }

  // What another process sees: 1 the name exists, 0 it is free.
  uint32_t SeenByAnotherProcess(const std::wstring& name) {
    auto probe = StartProbe(name, 0);
    EXPECT_NE(probe, nullptr);
    EXPECT_EQ(probe->Wait(10000), WaitResult::kSignaled);
    uint32_t code = 99;
    probe->GetExitCode(&code);
    return code;
  }

  static bool ExistsHere(const std::wstring& name) {
    bool existed = false;
    auto handle = CreateNamedSemaphore(name, 1, 1, &existed);
    EXPECT_NE(handle, nullptr);
    return existed;
  }
};

TEST_F(NamedSemaphoreTest, NameExistsWhileAnyHandleIsOpen) {
  bool existed = true;
  auto first = CreateNamedSemaphore(L"Acme Notes_kiv", 1, 1, &existed);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(existed);
  EXPECT_EQ(SeenByAnotherProcess(L"Acme Notes_kiv"), 1u);
  EXPECT_EQ(SeenByAnotherProcess(L"Acme Notes_kiv_fork"), 0u);
  EXPECT_EQ(SeenByAnotherProcess(L"acme notes_kiv"), 0u);  // names are case-sensitive

  auto second = CreateNamedSemaphore(L"Acme Notes_kiv", 1, 1, &existed);
  EXPECT_TRUE(existed);
  EXPECT_EQ(GetLastErrorCode(), kErrorAlreadyExists);
  first.reset();
  EXPECT_EQ(SeenByAnotherProcess(L"Acme Notes_kiv"), 1u);  // the second handle holds it
  second.reset();
  EXPECT_EQ(SeenByAnotherProcess(L"Acme Notes_kiv"), 0u);
}

TEST_F(NamedSemaphoreTest, NameIsFreedWhenTheHoldingProcessDies) {
  auto holder = StartProbe(L"Acme Notes_kiv", 30000);
  ASSERT_NE(holder, nullptr);
  bool held = false;
  for (int i = 0; i < 500 && !(held = ExistsHere(L"Acme Notes_kiv")); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(held);
  ASSERT_TRUE(holder->Terminate(1));
  ASSERT_EQ(holder->Wait(10000), WaitResult::kSignaled);
  EXPECT_FALSE(ExistsHere(L"Acme Notes_kiv"));
}

TEST_F(NamedSemaphoreTest, RejectsInvalidCounts) {
  const std::pair<int32_t, int32_t> cases[] = {{1, 0}, {2, 1}, {-1, 1}};
  for (const auto& [initial, maximum] : cases) {
    bool existed = false;
    EXPECT_EQ(CreateNamedSemaphore(L"x", initial, maximum, &existed), nullptr);
    EXPECT_EQ(GetLastErrorCode(), kErrorInvalidParameter);
  }
}

}  // namespace
}  // namespace platform
