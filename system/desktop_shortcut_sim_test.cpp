// The installer's desktop shortcut: created after the executable, removed again.
#include "system/desktop_shortcut.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/testing/journal_entries.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/folders.h"

namespace {

using platform::testing::JournalEntries;

constexpr char kSetupProfile[] = R"({"self_path": "C:\\Users\\me\\Downloads\\setup.exe")";
const wchar_t kLink[] = L"C:\\Users\\me\\Desktop\\setup.exe.lnk";

class DesktopShortcutTest : public platform::testing::SimMachineTest {
 protected:
  void CreateForSelf() { CreateDesktopShortcut(GetSelfFileName(), L"C:\\Users\\me\\Downloads"); }
};

TEST_F(DesktopShortcutTest, ShortcutStartsTheExecutableAndIsRemovedAgain) {
  UseProfile(std::string(kSetupProfile) + "}");
  CreateForSelf();
  std::string link;
  ASSERT_TRUE(platform::ReadWholeFile(kLink, &link));
  EXPECT_EQ(link, "Target=C:\\Users\\me\\Downloads\\setup.exe\r\nWorkingDirectory=C:\\Users\\me\\Downloads\r\n");
  auto saved = JournalEntries("shortcut");
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0]["link"], "C:\\Users\\me\\Desktop\\setup.exe.lnk");

  DeleteSelfDesktopShortcut();
  EXPECT_FALSE(platform::FileExists(kLink));
  auto deletes = JournalEntries("shell_delete");
  ASSERT_EQ(deletes.size(), 1u);
  EXPECT_EQ(deletes[0]["path"], "C:\\Users\\me\\Desktop\\setup.exe.lnk");
  EXPECT_EQ(deletes[0]["deleted"], "true");
}

TEST_F(DesktopShortcutTest, PlainDeleteWhenTheShellFails) {
  UseProfile(std::string(kSetupProfile) + R"(, "shell_delete_fails": true})");
  CreateForSelf();
  ASSERT_TRUE(platform::FileExists(kLink));
  DeleteSelfDesktopShortcut();
  EXPECT_FALSE(platform::FileExists(kLink));
  auto deletes = JournalEntries("shell_delete");
  ASSERT_EQ(deletes.size(), 1u);
  EXPECT_EQ(deletes[0]["deleted"], "false");
}

TEST_F(DesktopShortcutTest, NoShortcutWhenAStepFails) {
  struct Case {
    const char* profileEnd;
    bool removeDesktop;  // the desktop is reported but its folder is gone
  } cases[] = {
      {R"(, "com_fails": true})", false},
      {R"(, "folders": {"desktop": null}})", false},
      {"}", true},
  };
  for (const Case& c : cases) {
    UseProfile(kSetupProfile + std::string(c.profileEnd));
    if (c.removeDesktop) {
      ASSERT_TRUE(platform::RemoveDirectoryAt(L"C:\\Users\\me\\Desktop"));
    }
    CreateForSelf();
    EXPECT_TRUE(JournalEntries("shortcut").empty()) << c.profileEnd;
    EXPECT_FALSE(platform::FileExists(kLink)) << c.profileEnd;
  }
}

TEST_F(DesktopShortcutTest, NothingIsDeletedWithoutADesktopFolder) {
  UseProfile(std::string(kSetupProfile) + R"(, "folders": {"desktop": null}})");
  DeleteSelfDesktopShortcut();
  EXPECT_TRUE(JournalEntries("shell_delete").empty());
}

}  // namespace
