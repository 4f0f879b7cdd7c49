#include "config/run_config_file.h"

#include <gtest/gtest.h>

namespace {

RunConfig AllFields(const std::wstring& prefix) {
  RunConfig config;
  config.Status = prefix + L"1";
  config.JoinExp = prefix + L"j";
  config.SelectLang = prefix + L"Pусский";
  config.InstallPath = prefix + L"C:\\Program Files (x86)\\";
  config.AgreeExtInstall = prefix;
  config.TmpPackagePath = prefix + L"D:\\dl\\setup.exe.~P2S";
  return config;
}

void ExpectSame(const RunConfig& a, const RunConfig& b) {
  EXPECT_EQ(a.Status, b.Status);
  EXPECT_EQ(a.JoinExp, b.JoinExp);
  EXPECT_EQ(a.SelectLang, b.SelectLang);
  EXPECT_EQ(a.InstallPath, b.InstallPath);
  EXPECT_EQ(a.AgreeExtInstall, b.AgreeExtInstall);
  EXPECT_EQ(a.TmpPackagePath, b.TmpPackagePath);
}

TEST(RunConfigFileTest, EveryValueReadsBackAsWritten) {
  const std::wstring values[] = {
      L"",
      L"a \"quoted\" & <tagged> 'word'",
      L"]]> &amp; &#38; <![CDATA[",
      L"中文简体 العربية 𝄞",  // outside the basic plane too
      L" ",
      L"\t\r\n",
      L"  padded  ",
      L"line one\r\nline two",
      L"bell\x07 and escape\x1b",
  };
  for (const std::wstring& value : values) {
    SCOPED_TRACE(testing::PrintToString(value));
    const RunConfig written = AllFields(value);
    RunConfig read;
    std::string error;
    ASSERT_TRUE(ReadRunConfigDocument(RunConfigDocument(written), &read, &error)) << error;
    ExpectSame(read, written);
  }
}

TEST(RunConfigFileTest, DocumentIsUtf8WithTheDeclarationAndTheElementsInOrder) {
  RunConfig config;
  config.SelectLang = L"中文简体";
  const std::string document = RunConfigDocument(config);
  EXPECT_EQ(document.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>", 0), 0u);
  EXPECT_NE(document.find("<SelectLang>\xE4\xB8\xAD\xE6\x96\x87\xE7\xAE\x80\xE4\xBD\x93</SelectLang>"),
            std::string::npos);
  size_t last = 0;
  for (const char* element : {"<Status>0<", "<JoinExp><", "<SelectLang>", "<InstallPath><", "<AgreeExtInstall>1<",
                              "<TmpPackagePath><", "</config>"}) {
    size_t at = document.find(element);
    ASSERT_NE(at, std::string::npos) << element;
    EXPECT_GT(at, last) << element;
    last = at;
  }
}

TEST(RunConfigFileTest, PresentChildrenReplaceTheirFieldsInAnyOrder) {
  RunConfig config = AllFields(L"old ");
  std::string error;
  ASSERT_TRUE(ReadRunConfigDocument(
      "<config><TmpPackagePath>t</TmpPackagePath><AgreeExtInstall/><Unknown>u</Unknown>"
      "<Status>1</Status><Status>0</Status></config>",
      &config, &error));
  EXPECT_EQ(config.Status, L"1");  // the first element of a name counts
  EXPECT_EQ(config.AgreeExtInstall, L"");
  EXPECT_EQ(config.TmpPackagePath, L"t");
  EXPECT_EQ(config.JoinExp, L"old j");
  EXPECT_EQ(config.InstallPath, L"old C:\\Program Files (x86)\\");
}

TEST(RunConfigFileTest, BrokenFilesChangeNothing) {
  const std::string broken[] = {
      "",
      "\xEF\xBB\xBF",
      "garbage \x01\x02\xFF",
      "<Config><Status>1</Status></Config>",
      "<config><Status>1</Status></config><config/>",
      "<config><Status>1</Status>",
      "<config><Status>&bogus;</Status></config>",
      std::string("<config><Status>1") + '\0' + "</Status></config>",
  };
  for (const std::string& bytes : broken) {
    SCOPED_TRACE(testing::PrintToString(bytes));
    RunConfig config = AllFields(L"kept ");
    std::string error;
    EXPECT_FALSE(ReadRunConfigDocument(bytes, &config, &error));
    EXPECT_FALSE(error.empty());
    ExpectSame(config, AllFields(L"kept "));
  }
}

TEST(RunConfigFileTest, ATruncatedFileIsEitherWholeOrIgnored) {
  const RunConfig written = AllFields(L"é & ");
  const std::string document = RunConfigDocument(written);
  const size_t complete = document.find("</config>") + 9;
  for (size_t length = 0; length < document.size(); ++length) {
    RunConfig read;
    std::string error;
    bool ok = ReadRunConfigDocument(document.substr(0, length), &read, &error);
    EXPECT_EQ(ok, length >= complete) << length;
    ExpectSame(read, ok ? written : RunConfig());
  }
}

TEST(RunConfigFileTest, ResumeMeansStatusOfDecimalValueOne) {
  const std::pair<std::wstring, bool> cases[] = {
      {L"1", true},     {L"1 ", true},  {L"01", true},  {L" 1", true},   {L"+1", true},
      {L"0", false},    {L"2", false},  {L"yes", false}, {L"", false},   {L"-1", false},
      {L"11", false},   {L"4294967297", false},          {L"99999999999999999999999", false},
  };
  for (const auto& [status, resume] : cases) {
    EXPECT_EQ(IsResumeStatus(status), resume) << testing::PrintToString(status);
  }
}

}  // namespace
