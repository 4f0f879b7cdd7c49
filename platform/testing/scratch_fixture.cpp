// The backend-neutral part of the scratch fixture: the folder and the key,
// made and removed through the platform primitives themselves.
#include "platform/testing/scratch_fixture.h"

#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_info.h"

namespace platform::testing {
namespace {

// Removes a folder with everything in it; read-only files are made writable
// first, as Windows refuses to delete them.
void RemoveTree(const std::wstring& folder) {
  std::vector<DirEntry> entries;
  ListDirectory(folder, &entries);
  for (const auto& entry : entries) {
    std::wstring path = folder + L"\\" + entry.name;
    if (entry.isDirectory) {
      RemoveTree(path);
    } else {
      SetFileAttributesOf(path, kAttrNormal);
      DeleteFileAt(path);
    }
  }
  RemoveDirectoryAt(folder);
}

void DeleteScratchKeys(const std::wstring& key) {
  DeleteRegTree(RegRoot::kCurrentUser, key, RegView::kDefault);
  DeleteRegTree(RegRoot::kLocalMachine, key, RegView::k32);
  DeleteRegTree(RegRoot::kLocalMachine, key, RegView::k64);
}

std::wstring NumberText(uint64_t number) {
  std::string text = std::to_string(number);
  return std::wstring(text.begin(), text.end());
}

}  // namespace

void ScratchTest::SetUp() {
  EnterMachine();
  if (HasFatalFailure()) return;
  std::wstring parent = ScratchParent();
  CreateDirectoryAt(parent.substr(0, parent.size() - 1));  // may exist already
  // The process id keeps concurrent test processes apart; the counter the
  // tests of one process and folders left behind by an earlier run.
  std::wstring unique = NumberText(CurrentProcessId());
  for (int attempt = 1; scratch_.empty() && attempt < 1000; ++attempt) {
    std::wstring folder = parent + unique + L"-" + NumberText(attempt);
    if (CreateDirectoryAt(folder)) scratch_ = folder + L"\\";
  }
  ASSERT_FALSE(scratch_.empty()) << "no scratch folder under " << std::string(parent.begin(), parent.end());
  key_ = L"Software\\KivContractTest\\" + unique;
  DeleteScratchKeys(key_);  // left over by a test process that died
}

void ScratchTest::TearDown() {
  if (!key_.empty()) DeleteScratchKeys(key_);
  if (!scratch_.empty()) RemoveTree(scratch_.substr(0, scratch_.size() - 1));
  key_.clear();
  scratch_.clear();
  LeaveMachine();
}

}  // namespace platform::testing
