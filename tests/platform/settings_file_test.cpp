#include "platform/settings_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using sb::FindSetting;
using sb::WithSetting;

// UTF-16 file bytes with a byte-order mark, from ASCII-or-Chinese UTF-16 text.
std::string Utf16File(std::u16string_view text, bool bigEndian = false) {
  std::string out(bigEndian ? "\xFE\xFF" : "\xFF\xFE");
  for (char16_t c : text) {
    char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
    out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return out;
}

TEST(FindSetting, ReadsTheValueOfItsSectionInEveryEncoding) {
  const std::u16string text = u"; 设置\r\n[other]\r\nroot=http://wrong/\r\n[Catalogue]\r\n  ROOT = http://h:1/歌 \r\n";
  const std::string utf8 = "; \xE8\xAE\xBE\xE7\xBD\xAE\r\n[other]\r\nroot=http://wrong/\r\n[Catalogue]\r\n  ROOT = http://h:1/\xE6\xAD\x8C \r\n";
  for (const std::string& file : {utf8, "\xEF\xBB\xBF" + utf8, Utf16File(text), Utf16File(text, true)}) {
    EXPECT_EQ(FindSetting(file, "catalogue", "root"), u"http://h:1/歌");
  }
}

TEST(FindSetting, AbsentOrUndecodableGivesNothing) {
  const struct {
    std::string file;
    const char* why;
  } cases[] = {
      {"", "empty file"},
      {"root=http://h/\n", "key before any section"},
      {"[catalogue]\n;root=http://h/\n#root=x\n", "commented out"},
      {"[catalogue]\nrootx=http://h/\n[catalogue2]\nroot=y\n", "other key, other section"},
      {"[catalogue]\nroot=\xC0\xAF\n", "overlong UTF-8"},
      {"[catalogue]\nroot=\xED\xA0\x80\n", "UTF-8 surrogate"},
      {"[catalogue]\nroot=\xE6\xAD\n", "cut UTF-8 sequence"},
      {Utf16File(u"[catalogue]\nroot=x\n") + "!", "odd-length UTF-16"},
  };
  for (const auto& c : cases) EXPECT_EQ(FindSetting(c.file, "catalogue", "root"), std::nullopt) << c.why;
}

TEST(FindSetting, FirstSectionHoldingTheKeyWinsAndQuotesAreRemoved) {
  const std::string file = "[catalogue]\nother=1\n[catalogue]\nroot=\"http://first/\"\nroot=http://second/\n";
  EXPECT_EQ(FindSetting(file, "catalogue", "root"), u"http://first/");
  EXPECT_EQ(FindSetting("[p]\nk=\"\n", "p", "k"), u"\"");
  EXPECT_EQ(FindSetting("[p]\nk=a=b ; c", "p", "k"), u"a=b ; c");
}

TEST(WithSetting, ChangesOnlyTheValueAndKeepsEveryOtherByte) {
  const struct {
    std::string before, after;
  } cases[] = {
      {"; 注\r\n[player]\r\n  Continuous = 0 \r\nvolume=50\r\n", "; 注\r\n[player]\r\n  Continuous =1\r\nvolume=50\r\n"},
      {"[player]\nvolume=50\n\n[catalogue]\nroot=x\n", "[player]\nvolume=50\ncontinuous=1\n\n[catalogue]\nroot=x\n"},
      {"[player]", "[player]\r\ncontinuous=1\r\n"},
      {"[catalogue]\nroot=x", "[catalogue]\nroot=x\n[player]\ncontinuous=1\n"},
      {"", "[player]\r\ncontinuous=1\r\n"},
      {"\xEF\xBB\xBF[player]\r\n", "\xEF\xBB\xBF[player]\r\ncontinuous=1\r\n"},
      {"[x]\nk=\xFF\xFE bytes that are not UTF-8\n", "[x]\nk=\xFF\xFE bytes that are not UTF-8\n[player]\ncontinuous=1\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithSetting(c.before, "player", "continuous", u"1"), c.after) << c.before;
}

TEST(WithSetting, KeepsUtf16InItsOwnByteOrder) {
  for (bool bigEndian : {false, true}) {
    const std::string before = Utf16File(u"[catalogue]\r\nroot=http://old/\r\n", bigEndian);
    EXPECT_EQ(WithSetting(before, "catalogue", "root", u"http://新/"),
              Utf16File(u"[catalogue]\r\nroot=http://新/\r\n", bigEndian));
  }
}

TEST(WithSetting, RefusesWhatCouldNotBeReadBackAsOneValue) {
  const std::string file = "[catalogue]\nroot=http://old/\n";
  for (std::u16string_view bad : {std::u16string_view(u"a\nroot=evil"), std::u16string_view(u"a\rb"),
                                  std::u16string_view(u"a\0b", 3), std::u16string_view(u"\xD800")}) {
    EXPECT_EQ(WithSetting(file, "catalogue", "root", bad), std::nullopt);
  }
  EXPECT_EQ(WithSetting(Utf16File(u"[c]") + "!", "catalogue", "root", u"x"), std::nullopt);
}

TEST(WithSetting, WhatIsWrittenReadsBack) {
  for (const std::string& file : {std::string("[a]\nb=c\n"), Utf16File(u"[catalogue]\r\n"), std::string("x\ny")}) {
    for (std::u16string_view value : {u"http://h:8/歌/", u"", u"𝄞 = ;#"}) {
      auto written = WithSetting(file, "catalogue", "root", value);
      ASSERT_TRUE(written);
      EXPECT_EQ(FindSetting(*written, "catalogue", "root"), value);
      EXPECT_EQ(WithSetting(*written, "catalogue", "root", value), written) << "a second write changes nothing";
    }
  }
}

}  // namespace
