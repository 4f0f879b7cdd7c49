// Share modes hold between processes of one sandbox and are released when the
// holding process dies (sim backend: the other process is a fork).
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class FilesAcrossProcessesTest : public testing::SimMachineTest {};

TEST_F(FilesAcrossProcessesTest, HandleOfAnotherProcessRefusesUntilThatProcessDies) {
  const std::wstring path = L"C:\\shared.bin";
  ASSERT_TRUE(WriteWholeFile(path, "x"));
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto held = OpenFile(path, kAccessWrite, kShareRead, FileDisposition::kOpenExisting);
    char ok = held ? '1' : '0';
    if (write(ready[1], &ok, 1) != 1) _exit(1);
    pause();  // holds the handle until killed
    _exit(0);
  }
  close(ready[1]);
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  close(ready[0]);
  ASSERT_EQ(ok, '1');

  EXPECT_TRUE(OpenFile(path, kAccessRead, kShareRead | kShareWrite, FileDisposition::kOpenExisting));
  EXPECT_FALSE(OpenFile(path, kAccessWrite, kShareRead | kShareWrite, FileDisposition::kOpenExisting));
  EXPECT_EQ(GetLastErrorCode(), kErrorSharingViolation);
  EXPECT_FALSE(DeleteFileAt(path));
  EXPECT_EQ(GetLastErrorCode(), kErrorSharingViolation);

  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(OpenFile(path, kAccessWrite, kShareNone, FileDisposition::kOpenExisting));
  EXPECT_TRUE(DeleteFileAt(path));
}

}  // namespace
}  // namespace platform
