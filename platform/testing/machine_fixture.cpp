// The backend-neutral part of the machine fixture: keys the code under test
// writes, removed through the registry primitives themselves.
#include "platform/testing/sim_machine_fixture.h"

namespace platform::testing {

const std::wstring& MachineTest::Scratch() {
  if (scratch_.empty()) scratch_ = MakeScratch();
  EXPECT_FALSE(scratch_.empty()) << "no scratch folder";
  return scratch_;
}

void MachineTest::RemoveKeyAfterwards(RegRoot root, const std::wstring& key) {
  claimedKeys_.emplace_back(root, key);
  DeleteClaimedKeys();
}

void MachineTest::DeleteClaimedKeys() {
  for (const auto& [root, key] : claimedKeys_) {
    if (root == RegRoot::kLocalMachine) {
      DeleteRegTree(root, key, RegView::k32);
      DeleteRegTree(root, key, RegView::k64);
    } else {
      DeleteRegTree(root, key, RegView::kDefault);
    }
  }
}

}  // namespace platform::testing
