#include "config/product_config.h"

#include <gtest/gtest.h>

#include "config/deployment.h"

namespace {

ProductConfig Read(const std::wstring& body, bool readX64 = true) {
  ProductConfig config;
  EXPECT_EQ(ReadProductConfig(L"<?xml version=\"1.0\"?><Product>" + body + L"</Product>", readX64, &config),
            ProductXmlResult::kOk);
  return config;
}

TEST(ProductConfig, ServerHostDefaultsAndEndsWithSlash) {
  EXPECT_EQ(Read(L"").ServerHost, deployment::kDefaultServerHost);
  EXPECT_EQ(Read(L"<ServerHost>http://h/api/</ServerHost>").ServerHost, L"http://h/api/");
  EXPECT_EQ(Read(L"<ServerHost><![CDATA[http://h/api]]></ServerHost>").ServerHost, L"http://h/api/");
  EXPECT_EQ(Read(L"<ServerHost></ServerHost>").ServerHost, L"");
  EXPECT_EQ(std::wstring(deployment::kDefaultServerHost).back(), L'/');
}

TEST(ProductConfig, MissingAndEmptyElementsDiffer) {
  ProductConfig missing = Read(L"");
  EXPECT_EQ(missing.ProductArg, L"");
  EXPECT_EQ(missing.FoldBottom, L"1");
  EXPECT_EQ(missing.Url_License, deployment::kDefaultLicenseUrl);

  ProductConfig empty = Read(L"<ProductArg/><FoldBottom></FoldBottom><Url_License></Url_License>");
  EXPECT_EQ(empty.ProductArg, L"");
  EXPECT_EQ(empty.FoldBottom, L"");
  EXPECT_EQ(empty.Url_License, deployment::kDefaultLicenseUrl);
}

TEST(ProductConfig, ElementsInAnyOrderFirstOneWins) {
  ProductConfig c = Read(
      L"<SceneCode>s1</SceneCode><Dependent/><ProductID>42</ProductID><ProductBrand>B</ProductBrand>"
      L"<ProductID>43</ProductID><Installurl><Url_Install>u</Url_Install><OnlyUseLocalUrl>0</OnlyUseLocalUrl>"
      L"</Installurl><ProductName>N &amp; M</ProductName>");
  EXPECT_EQ(c.ProductID, L"42");
  EXPECT_EQ(c.ProductBrand, L"B");
  EXPECT_EQ(c.SceneCode, L"s1");
  EXPECT_EQ(c.ProductName, L"N & M");
  EXPECT_EQ(c.Installurl.Url_Install, L"u");
  EXPECT_EQ(c.Installurl.OnlyUseLocalUrl, L"0");
}

TEST(ProductConfig, X64GroupReadOnlyOn64BitWindows) {
  const std::wstring body =
      L"<Downurl_x64><OnlyUseLocalUrl>1</OnlyUseLocalUrl><Url_Down>x64</Url_Down></Downurl_x64>"
      L"<Downurl><Url_Down>x86</Url_Down></Downurl>";
  ProductConfig on64 = Read(body, true);
  EXPECT_EQ(on64.Downurl_x64.Url_Down, L"x64");
  EXPECT_EQ(on64.Downurl_x64.OnlyUseLocalUrl, L"1");
  ProductConfig on32 = Read(body, false);
  EXPECT_EQ(on32.Downurl_x64.Url_Down, L"");
  EXPECT_EQ(on32.Downurl.Url_Down, L"x86");
}

TEST(ProductConfig, DependentItemsQualifyWithIdAndAnyUrl) {
  ProductConfig c = Read(
      L"<Dependent>"
      L"<item><ProductID>10819</ProductID><Url_Downx64>u64</Url_Downx64></item>"
      L"<item><ProductID>5</ProductID></item>"
      L"<item><Url_Down>u</Url_Down></item>"
      L"<item><ProductID>7</ProductID><Url_Down>u7</Url_Down><ForceInstall>false</ForceInstall>"
      L"<ForkInstall>1</ForkInstall></item>"
      L"<other><ProductID>8</ProductID><Url_Down>u8</Url_Down></other>"
      L"</Dependent>");
  ASSERT_EQ(c.itemsRead.size(), 4u);
  EXPECT_EQ(c.itemsRead[1].ProductID, L"5");
  ASSERT_EQ(c.Dependent.size(), 2u);
  EXPECT_EQ(c.Dependent[0].ProductID, L"10819");
  EXPECT_TRUE(c.Dependent[0].IsForced());  // ForceInstall missing counts as "true"
  EXPECT_EQ(c.Dependent[1].ProductID, L"7");
  EXPECT_FALSE(c.Dependent[1].IsForced());
  EXPECT_EQ(c.Dependent[1].ForkInstall, L"1");
}

TEST(ProductConfig, ClipboardKeywordOnlyWithAccess) {
  EXPECT_EQ(Read(L"<Clipboard><Access>1</Access><Keyword>kw</Keyword></Clipboard>").Clipboard.Keyword, L"kw");
  EXPECT_EQ(Read(L"<Clipboard><Access>0</Access><Keyword>kw</Keyword></Clipboard>").Clipboard.Keyword, L"");
}

TEST(ProductConfig, RefusesBrokenDocumentsAndOtherRoots) {
  ProductConfig config;
  config.ProductName = L"untouched";
  EXPECT_EQ(ReadProductConfig(L"<Product><ProductName>x</Product>", true, &config),
            ProductXmlResult::kNotWellFormed);
  EXPECT_EQ(ReadProductConfig(L"", true, &config), ProductXmlResult::kNotWellFormed);
  EXPECT_EQ(ReadProductConfig(L"<Products><ProductName>x</ProductName></Products>", true, &config),
            ProductXmlResult::kNoProduct);
  EXPECT_EQ(config.ProductName, L"untouched");
}

}  // namespace
