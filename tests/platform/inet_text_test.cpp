#include <gtest/gtest.h>

#include "platform/inet.h"
#include "platform/inet_text.h"
#include "test_env.h"

namespace {

TEST(InetAddress, BlanksAroundTheAddressAreIgnoredButInnerTextStays) {
  EXPECT_EQ(sb::NormaliseRequestAddress(L" \t http://example.com/a \r\n"), L"http://example.com/a");
  EXPECT_EQ(sb::NormaliseRequestAddress(L"http://example.com/a%20b?x=1"), L"http://example.com/a%20b?x=1");
  EXPECT_EQ(sb::NormaliseRequestAddress(L"https://example.com:8443/"), L"https://example.com:8443/");
}

TEST(InetAddress, EmptyBlankAndNonHttpAddressesAreRefused) {
  for (const wchar_t* bad : {L"", L"  \t\r\n ", L"garbage", L"ftp://example.com/x", L"http://", L"file:///c:/x",
                             L"/relative/path", L"mailto:a@b.c"}) {
    EXPECT_FALSE(sb::NormaliseRequestAddress(bad)) << std::wstring(bad).c_str();
  }
}

TEST(InetAddress, SplitGivesHostPortAndObjectWithoutFragment) {
  auto t = sb::SplitRequestAddress(L"http://127.0.0.1:8611/wgns/url/7?a=1#top");
  ASSERT_TRUE(t);
  EXPECT_FALSE(t->secure);
  EXPECT_EQ(t->host, L"127.0.0.1");
  EXPECT_EQ(t->port, 8611);
  EXPECT_EQ(t->object, L"/wgns/url/7?a=1");
  auto root = sb::SplitRequestAddress(L"https://example.com");
  ASSERT_TRUE(root);
  EXPECT_TRUE(root->secure);
  EXPECT_EQ(root->port, 443);
  EXPECT_EQ(root->object, L"/");
}

TEST(InetText, BodiesDecodeFromGbkUnlessAnotherCharsetIsNamed) {
  const std::wstring text = L"新歌音乐盒 Song 123";
  EXPECT_EQ(sb::DecodeBody(sbtest::Gbk(text), L""), text);
  EXPECT_EQ(sb::DecodeBody(sbtest::Gbk(text), L"gb2312"), text);
  EXPECT_EQ(sb::DecodeBody(sbtest::Gbk(text), L"gb18030"), text);
  const std::string utf8 = "\xE6\x96\xB0\xE6\xAD\x8C";  // 新歌
  EXPECT_EQ(sb::DecodeBody(utf8, L"utf-8"), L"新歌");
  EXPECT_EQ(sb::DecodeBody("\xEF\xBB\xBF" + utf8, L""), L"新歌");  // a byte order mark wins
  EXPECT_NE(sb::DecodeBody(utf8, L""), L"新歌");
  EXPECT_EQ(sb::DecodeBody("", L"utf-8"), L"");
  // GB18030's four-byte characters (U+20000, U+3400) between GBK ones, with or without a system code page.
  EXPECT_EQ(sb::DecodeBody("\xD0\xC2\x95\x32\x82\x36\x81\x39\xEE\x39\xB8\xE8", L"gb18030"), L"新\U00020000\u3400歌");
}

}  // namespace
