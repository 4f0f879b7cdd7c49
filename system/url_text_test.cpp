// URL helpers.
#include "system/url_text.h"

#include <gtest/gtest.h>

#include <ctime>
#include <cwchar>

#include "platform/testing/sim_machine_fixture.h"

namespace {

TEST(IsHttpUrlTest, SchemeFollowedByAHost) {
  struct Case {
    const wchar_t* text;
    bool expected;
  } cases[] = {
      {L"http://a", true},       {L"  https://host/x \t", true}, {L"http://", false},
      {L"https://", false},      {L"  http://  ", false},       {L"ftp://host/file", false},
      {L"", false},              {L"xhttp://host", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsHttpUrl(c.text), c.expected) << c.text;
}

class AppendTimestampParamTest : public platform::testing::MachineTest {};

TEST_F(AppendTimestampParamTest, AddsTheQueryOrExtendsIt) {
  long long before = static_cast<long long>(time(nullptr));
  std::wstring plain = AppendTimestampParam(L"http://h/conf");
  std::wstring withQuery = AppendTimestampParam(L"http://h/conf?a=1");
  long long after = static_cast<long long>(time(nullptr));

  ASSERT_EQ(plain.rfind(L"http://h/conf?_t=", 0), 0u) << plain;
  ASSERT_EQ(withQuery.rfind(L"http://h/conf?a=1&_t=", 0), 0u) << withQuery;
  long long stamp = wcstoll(plain.c_str() + plain.find(L"_t=") + 3, nullptr, 10);
  EXPECT_GE(stamp, before);
  EXPECT_LE(stamp, after);
  EXPECT_EQ(plain.find_first_not_of(L"0123456789", plain.find(L"_t=") + 3), std::wstring::npos);
}

}  // namespace
