#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/inet_headers.h"

namespace {

TEST(InetHeaders, CharsetIsTakenFromContentTypeParameters) {
  EXPECT_EQ(sb::CharsetOfContentType(L"text/html; charset=UTF-8"), L"utf-8");
  EXPECT_EQ(sb::CharsetOfContentType(L"text/html;charset=\"gb2312\""), L"gb2312");
  EXPECT_EQ(sb::CharsetOfContentType(L"text/plain; format=flowed; Charset = GBK "), L"gbk");
  EXPECT_EQ(sb::CharsetOfContentType(L"text/html"), L"");
  EXPECT_EQ(sb::CharsetOfContentType(L""), L"");
}

TEST(InetHeaders, CodePagesOfCharsetNamesDefaultToGbk) {
  EXPECT_EQ(sb::CodePageOfCharset(L"utf-8"), sb::kCodePageUtf8);
  EXPECT_EQ(sb::CodePageOfCharset(L"UTF8"), sb::kCodePageUtf8);
  EXPECT_EQ(sb::CodePageOfCharset(L"gbk"), sb::kCodePageGbk);
  EXPECT_EQ(sb::CodePageOfCharset(L"GB2312"), sb::kCodePageGbk);
  EXPECT_EQ(sb::CodePageOfCharset(L"gb18030"), sb::kCodePageGb18030);
  EXPECT_EQ(sb::CodePageOfCharset(L""), sb::kCodePageGbk);
  EXPECT_EQ(sb::CodePageOfCharset(L"x-unknown"), sb::kCodePageGbk);
}

TEST(InetHeaders, HeadersAreFoundByNameWithoutCase) {
  const std::wstring raw =
      L"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=gbk\r\ncontent-length:  1000 \r\n"
      L"X-Empty:\r\n\r\n";
  EXPECT_EQ(sb::FindHeaderValue(raw, L"Content-Length"), L"1000");
  EXPECT_EQ(sb::FindHeaderValue(raw, L"CONTENT-TYPE"), L"text/html; charset=gbk");
  EXPECT_EQ(sb::FindHeaderValue(raw, L"X-Empty"), L"");
  EXPECT_EQ(sb::FindHeaderValue(raw, L"Location"), L"");
  EXPECT_EQ(sb::FindHeaderValue(raw, L"HTTP/1.1 200 OK"), L"");
  EXPECT_EQ(sb::FindHeaderValue(raw, L""), L"");
}

TEST(InetHeaders, ContentLengthMustBeAPlainNumber) {
  EXPECT_EQ(sb::ParseContentLength(L"1000"), 1000ull);
  EXPECT_EQ(sb::ParseContentLength(L" 0 "), 0ull);
  EXPECT_FALSE(sb::ParseContentLength(L""));
  EXPECT_FALSE(sb::ParseContentLength(L"-1"));
  EXPECT_FALSE(sb::ParseContentLength(L"12abc"));
  EXPECT_FALSE(sb::ParseContentLength(L"99999999999999999999999"));
}

TEST(InetHeaders, ContentRangeGivesTheFirstByteOfAWellFormedRange) {
  const struct {
    const wchar_t* value;
    std::optional<unsigned long long> first;
  } cases[] = {
      {L"bytes 100-199/1000", 100},  {L" Bytes 0-0/* ", 0},     {L"bytes 7-6/10", std::nullopt},
      {L"bytes */1000", std::nullopt}, {L"100-199/1000", std::nullopt}, {L"bytes 1-2", std::nullopt},
      {L"bytes -5/10", std::nullopt},  {L"bytes 1-x/10", std::nullopt}, {L"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(sb::ContentRangeStart(c.value), c.first) << testing::PrintToString(std::wstring(c.value));
}

TEST(InetHeaders, ABlankLineEndsNothingAndBrokenLinesAreSkipped) {
  EXPECT_EQ(sb::FindHeaderValue(L"HTTP/1.1 200 OK\r\nno colon here\r\nA: 1", L"a"), L"1");
  EXPECT_EQ(sb::FindHeaderValue(L"HTTP/1.1 200 OK", L"A"), L"");
  EXPECT_EQ(sb::FindHeaderValue(L"", L"A"), L"");
  EXPECT_EQ(sb::FindHeaderValue(L"HTTP/1.1 200 OK\r\nA: first\r\nA: second\r\n", L"A"), L"first");
}

}  // namespace
