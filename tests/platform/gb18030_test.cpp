// The four-byte GB18030 decoder against glibc's GB18030 converter.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "platform/gb18030.h"

namespace {

std::u32string Iconv(std::string_view bytes, const char* from) {
  iconv_t cd = iconv_open("UTF-32LE", from);
  std::u32string out(bytes.size() + 1, U'\0');
  std::string in(bytes);
  char* src = in.data();
  size_t inLeft = in.size();
  char* dst = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size() * 4;
  size_t r = iconv(cd, &src, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return U"<invalid>";
  out.resize(out.size() - outLeft / 4);
  return out;
}

std::wstring GbkRun(std::string_view run) {
  std::u32string u = Iconv(run, "GBK");
  return std::wstring(u.begin(), u.end());
}

std::string FourBytes(unsigned linear) {
  std::string b(4, '\0');
  b[3] = static_cast<char>(0x30 + linear % 10);
  linear /= 10;
  b[2] = static_cast<char>(0x81 + linear % 126);
  linear /= 126;
  b[1] = static_cast<char>(0x30 + linear % 10);
  b[0] = static_cast<char>(0x81 + linear / 10);
  return b;
}

TEST(Gb18030, EveryFourByteCharacterOfTheBasicPlaneMatchesGlibc) {
  // The 2005 edition gave 18 characters two-byte forms; glibc refuses their
  // older four-byte forms, which still decode here.
  int olderForms = 0;
  for (unsigned linear = 0; linear < 39420; ++linear) {
    std::string b = FourBytes(linear);
    auto cp = sb::Gb18030FourByte(reinterpret_cast<const unsigned char*>(b.data()));
    ASSERT_TRUE(cp) << linear;
    std::u32string expected = Iconv(b, "GB18030");
    if (expected == U"<invalid>") {
      ++olderForms;
      continue;
    }
    ASSERT_EQ(std::u32string(1, *cp), expected) << "linear index " << linear;
  }
  EXPECT_EQ(olderForms, 18);
}

TEST(Gb18030, SupplementaryPlanesAreOneLinearRange) {
  for (unsigned linear = 189000; linear < 189000 + 0x100000; linear += 997) {
    std::string b = FourBytes(linear);
    auto cp = sb::Gb18030FourByte(reinterpret_cast<const unsigned char*>(b.data()));
    ASSERT_TRUE(cp);
    ASSERT_EQ(std::u32string(1, *cp), Iconv(b, "GB18030")) << linear;
  }
  for (const char* none : {"\x84\x31\xA5\x30", "\x8F\x39\xFE\x39", "\xE3\x32\x9A\x36", "\xFE\x39\xFE\x39", "\x81\x30\x7F\x30"})
    EXPECT_FALSE(sb::Gb18030FourByte(reinterpret_cast<const unsigned char*>(none))) << none;
}

TEST(Gb18030, MixedTextKeepsGbkRunsAndDecodesFourByteCharacters) {
  // "新歌 𠀀Ā!" then a sequence cut short, and one that names no character.
  const std::string text = "\xD0\xC2\xB8\xE8 \x95\x32\x82\x36\x81\x30\x81\x30!";
  EXPECT_EQ(sb::DecodeGb18030(text, GbkRun), L"新歌 \U00020000\u0080!");
  EXPECT_EQ(sb::DecodeGb18030("a\xFE\x39\xFE\x39z", GbkRun), L"a\uFFFDz");
  EXPECT_EQ(sb::DecodeGb18030("ab\x81\x30", [](std::string_view run) { return std::wstring(run.size(), L'?'); }),
            L"????");
  EXPECT_EQ(sb::DecodeGb18030("", GbkRun), L"");
}

}  // namespace
