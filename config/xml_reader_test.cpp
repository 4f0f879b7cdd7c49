#include "config/xml_reader.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<xml::Element> MustParse(const std::wstring& text) {
  std::unique_ptr<xml::Element> root;
  std::string error;
  EXPECT_TRUE(xml::Parse(text, &root, &error)) << error;
  return root;
}

TEST(XmlReader, ReadsTextCdataEntitiesAndFirstOfRepeatedNames) {
  auto root = MustParse(
      L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- c --><!DOCTYPE Product>\n"
      L"<Product a='1' b=\"x&amp;y\">\n"
      L"  <Url>\n    <![CDATA[http://h/p?a=1&b=<2>]]>\n  </Url>\n"
      L"  <Name>A &lt;&amp;&gt; &#65;&#x42; &quot;q&apos;</Name>\n"
      L"  <Empty></Empty><Closed/>\n"
      L"  <Name>second</Name>\n"
      L"  <Mixed>x<i/>y<!-- skip -->z</Mixed>\n"
      L"  <Spaced>  keep  </Spaced>\n"
      L"</Product>\n<!-- trailing -->\n");
  ASSERT_TRUE(root);
  EXPECT_EQ(root->name, L"Product");
  EXPECT_EQ(root->Attribute(L"b"), L"x&y");
  EXPECT_EQ(root->ChildText(L"Url"), L"http://h/p?a=1&b=<2>");
  EXPECT_EQ(root->ChildText(L"Name"), L"A <&> AB \"q'");
  EXPECT_EQ(root->ChildText(L"Empty", L"dflt"), L"");
  EXPECT_EQ(root->ChildText(L"Closed", L"dflt"), L"");
  EXPECT_EQ(root->ChildText(L"Missing", L"dflt"), L"dflt");
  EXPECT_EQ(root->ChildText(L"Mixed"), L"xyz");
  EXPECT_EQ(root->ChildText(L"Spaced"), L"  keep  ");
}

TEST(XmlReader, ReadsNonAsciiAndSupplementaryCharacterReferences) {
  auto root = MustParse(L"<a>简体中文 &#x1F600;</a>");
  ASSERT_TRUE(root);
  std::wstring expected = L"简体中文 ";
  if constexpr (sizeof(wchar_t) == 2) {
    expected += L"\xD83D\xDE00";
  } else {
    expected += static_cast<wchar_t>(0x1F600);
  }
  EXPECT_EQ(root->text, expected);
}

TEST(XmlReader, RefusesMalformedDocuments) {
  const std::wstring cases[] = {
      L"",
      L"   ",
      L"plain text",
      L"<a>",
      L"<a></b>",
      L"<a><b></a></b>",
      L"<a>&unknown;</a>",
      L"<a>&#0;</a>",
      L"<a>&#xD800;</a>",
      L"<a>&#99999999999;</a>",
      L"<a x=1/>",
      L"<a x=\"1/>",
      L"<a><![CDATA[open</a>",
      L"<a><!-- open</a>",
      L"<a/><b/>",
      L"<a/>trailing",
      L"<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>",
      L"<html><body>502 Bad Gateway</body>",
  };
  for (const auto& text : cases) {
    std::unique_ptr<xml::Element> root;
    std::string error;
    EXPECT_FALSE(xml::Parse(text, &root, &error)) << "accepted: " << std::string(text.begin(), text.end());
    EXPECT_FALSE(root);
    EXPECT_FALSE(error.empty());
  }
}

TEST(XmlReader, RefusesNestingBeyondTheLimitWithoutExhaustingTheStack) {
  std::wstring deep;
  for (int i = 0; i < 100000; ++i) deep += L"<a>";
  std::unique_ptr<xml::Element> root;
  std::string error;
  EXPECT_FALSE(xml::Parse(deep, &root, &error));

  std::wstring fits;
  for (int i = 0; i < xml::kMaxDepth; ++i) fits += L"<a>";
  for (int i = 0; i < xml::kMaxDepth; ++i) fits += L"</a>";
  EXPECT_TRUE(xml::Parse(fits, &root, &error)) << error;
}

}  // namespace
