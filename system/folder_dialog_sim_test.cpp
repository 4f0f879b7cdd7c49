// Asking the user for a folder through the shell's picker.
#include "system/folder_dialog.h"

#include <gtest/gtest.h>

#include "platform/folder_picker.h"
#include "platform/testing/journal_entries.h"
#include "platform/testing/sim_machine_fixture.h"

namespace {

using platform::testing::JournalEntries;

class FolderDialogTest : public platform::testing::SimMachineTest {};

TEST_F(FolderDialogTest, ChosenFolderOrEmptyWhenCancelled) {
  struct Case {
    const char* profile;
    const wchar_t* expected;
  } cases[] = {
      {R"({"folder_picker": "D:\\Games\\Acme"})", L"D:\\Games\\Acme"},
      {R"({"folder_picker": null})", L""},
      {R"({})", L""},
  };
  for (const Case& c : cases) {
    UseProfile(c.profile);
    EXPECT_EQ(BrowseForFolder(0x100A2, L"Choose the install folder"), c.expected) << c.profile;
    auto shown = JournalEntries("folder_picker");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0]["owner"], std::to_string(0x100A2));
    EXPECT_EQ(shown[0]["title"], "Choose the install folder");
    EXPECT_EQ(shown[0]["root"], std::to_string(static_cast<int>(platform::PickerRoot::kDrives)));
    EXPECT_EQ(shown[0]["flags"], std::to_string(platform::kBifReturnOnlyFsDirs | platform::kBifEditBox |
                                                platform::kBifNewDialogStyle));
  }
}

}  // namespace
