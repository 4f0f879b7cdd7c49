// The profile-driven session services of the simulated machine:
// administrator membership, COM, message boxes, the clipboard.
#include <gtest/gtest.h>

#include "platform/clipboard.h"
#include "platform/com.h"
#include "platform/dialogs.h"
#include "platform/security.h"
#include "platform/testing/journal_entries.h"
#include "platform/testing/sim_machine_fixture.h"
#include "platform/win_error.h"

namespace platform {
namespace {

class SessionTest : public testing::SimMachineTest {};

TEST_F(SessionTest, AdministratorMembershipFollowsTheProfile) {
  const std::pair<const char*, AdminMembership> cases[] = {
      {"true", AdminMembership::kMember},
      {"false", AdminMembership::kNotMember},
      {"\"check_fails\"", AdminMembership::kCheckFailed},
  };
  for (const auto& [value, expected] : cases) {
    UseProfile(std::string("{\"admin\": ") + value + "}");
    EXPECT_EQ(CheckAdministratorsMembership(), expected) << value;
  }
}

TEST_F(SessionTest, ComInitialisationCanFail) {
  uint32_t error = 0;
  EXPECT_TRUE(InitializeComApartment(&error));
  UninitializeCom();
  UseProfile("{\"com_fails\": true}");
  EXPECT_FALSE(InitializeComApartment(&error));
  EXPECT_EQ(error, 0x80010106u);
  EXPECT_EQ(GetLastErrorCode(), error);
}

TEST_F(SessionTest, MessageBoxIsJournaledAndAnsweredWithOk) {
  EXPECT_EQ(ShowMessageBox(0, L"Load lang xml error. \u00e9", L"Error", kMbOk | kMbIconError), kIdOk);
  auto boxes = testing::JournalEntries("message_box");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0]["text"], "Load lang xml error. \xc3\xa9");
  EXPECT_EQ(boxes[0]["caption"], "Error");
  EXPECT_EQ(boxes[0]["flags"], "16");
}

TEST_F(SessionTest, ClipboardTextComesInTheAnsiCodePage) {
  std::string text;
  EXPECT_FALSE(GetClipboardAnsiText(&text));  // the built-in machine's clipboard is empty
  UseProfile("{\"clipboard\": \"Gr\u00fc\u00dfe \u4e2d\"}");
  ASSERT_TRUE(GetClipboardAnsiText(&text));
  EXPECT_EQ(text, "Gr\xfc\xdf" "e ?");  // code page 1252 lacks the CJK character
  UseProfile("{\"clipboard\": \"\u4e2d\", \"locale\": {\"ansi_codepage\": 936}}");
  ASSERT_TRUE(GetClipboardAnsiText(&text));
  EXPECT_EQ(text, "\xd6\xd0");
}

}  // namespace
}  // namespace platform
