// The backend-neutral part of the scratch fixture: the folder and the key,
// made and removed through the platform primitives themselves.
#include "platform/testing/scratch_fixture.h"

#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system_info.h"

namespace platform::testing {
namespace {

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

void RemoveFolderTree(const std::wstring& folder) {
  std::vector<DirEntry> entries;
  ListDirectory(folder, &entries);
  for (const auto& entry : entries) {
    std::wstring path = folder + L"\\" + entry.name;
    if (entry.isDirectory) {
      RemoveFolderTree(path);
    } else {
      SetFileAttributesOf(path, kAttrNormal);
      DeleteFileAt(path);
    }
  }
  RemoveDirectoryAt(folder);
}

std::wstring MakeUniqueFolder(const std::wstring& parent) {
  CreateDirectoryAt(parent.substr(0, parent.size() - 1));  // may exist already
  // The process id keeps concurrent test processes apart; the counter the
  // folders of one process and those left behind by an earlier run.
  std::wstring unique = NumberText(CurrentProcessId());
  for (int attempt = 1; attempt < 1000; ++attempt) {
    std::wstring folder = parent + unique + L"-" + NumberText(attempt);
    if (CreateDirectoryAt(folder)) return folder + L"\\";
  }
  return L"";
}

void ScratchTest::SetUp() {
  EnterMachine();
  if (HasFatalFailure()) return;
  std::wstring parent = ScratchParent();
  scratch_ = MakeUniqueFolder(parent);
  ASSERT_FALSE(scratch_.empty()) << "no scratch folder under " << std::string(parent.begin(), parent.end());
  key_ = L"Software\\KivContractTest\\" + NumberText(CurrentProcessId());
  DeleteScratchKeys(key_);  // left over by a test process that died
}

void ScratchTest::TearDown() {
  if (!key_.empty()) DeleteScratchKeys(key_);
  if (!scratch_.empty()) RemoveFolderTree(scratch_.substr(0, scratch_.size() - 1));
  key_.clear();
  scratch_.clear();
  LeaveMachine();
}

}  // namespace platform::testing
