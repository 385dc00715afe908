#include "catalogue/lrc_timeline.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using sb::LrcTimeline;

// (ms, line text) of every timeline entry, in timeline order.
std::vector<std::pair<int64_t, std::wstring>> Entries(const std::wstring& text) {
  std::vector<std::pair<int64_t, std::wstring>> out;
  const LrcTimeline t = LrcTimeline::Parse(text);
  for (const sb::LrcLine& l : t.lines()) out.emplace_back(l.ms, text.substr(l.begin, l.end - l.begin));
  return out;
}

TEST(LrcTimeline, StampFormats) {
  struct Case {
    std::wstring stamp;
    int64_t ms;  // -1: not a stamp
  };
  const Case cases[] = {
      {L"[00:01]", 1000},      {L"[0:1]", 1000},          {L"[00:01.5]", 1500},    {L"[00:01.05]", 1050},
      {L"[00:01.005]", 1005},  {L"[01:02:03]", 62030},    {L"[100:00.00]", 6000000}, {L"[99999:59.999]", 5999999999},
      {L"[00:01.1234]", -1},   {L"[00:01.]", -1},         {L"[:01]", -1},          {L"[00:]", -1},
      {L"[00:123]", -1},       {L"[123456:00]", -1},      {L"[-00:01]", -1},       {L"[00:01 ]", -1},
      {L"[ti:00:01]", -1},     {L"[00:01", -1},           {L"(00:01)", -1},        {L"<00:01.00>", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.stamp.begin(), c.stamp.end()));
    auto e = Entries(c.stamp + L"歌");
    if (c.ms < 0) {
      EXPECT_TRUE(e.empty());
    } else {
      ASSERT_EQ(e.size(), 1u);
      EXPECT_EQ(e[0].first, c.ms);
    }
  }
}

TEST(LrcTimeline, LinesAreWholeTextRangesWhateverTheLineBreaks) {
  const std::wstring text = L"\uFEFF[ti:歌名]\r\n[00:03.00]三\n\r  [00:01.00] 一\r[00:02.00]二\r\n不唱的行\r\n[00:04.00]";
  const std::vector<std::pair<int64_t, std::wstring>> want = {
      {1000, L"  [00:01.00] 一"}, {2000, L"[00:02.00]二"}, {3000, L"[00:03.00]三"}, {4000, L"[00:04.00]"}};
  EXPECT_EQ(Entries(text), want);
}

TEST(LrcTimeline, SeveralStampsOnALineGiveItSeveralTimes) {
  const std::wstring text = L"[00:10.00][00:50.00] [01:30.00]副歌\r\n[00:20.00]主歌 [00:40.00]\r\n";
  const std::vector<std::pair<int64_t, std::wstring>> want = {{10000, L"[00:10.00][00:50.00] [01:30.00]副歌"},
                                                              {20000, L"[00:20.00]主歌 [00:40.00]"},
                                                              {50000, L"[00:10.00][00:50.00] [01:30.00]副歌"},
                                                              {90000, L"[00:10.00][00:50.00] [01:30.00]副歌"}};
  EXPECT_EQ(Entries(text), want);
}

TEST(LrcTimeline, OffsetMovesEveryLineFirstOneCounts) {
  struct Case {
    std::wstring text;
    int64_t offset, firstMs;
  };
  const Case cases[] = {
      {L"[offset:+500]\r\n[00:02.00]a", 500, 1500},
      {L"[00:02.00]a\r\n[OFFSET: -250 ]\r\n[offset:900]", -250, 2250},
      {L"[offset:3000]\r\n[00:02.00]a", 3000, -1000},
      {L"[offset:abc]\r\n[offset:]\r\n[00:02.00]a", 0, 2000},
      {L"[00:01.00][offset:500]a\r\n[00:02.00]b", 0, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset);
    LrcTimeline t = LrcTimeline::Parse(c.text);
    EXPECT_EQ(t.offsetMs(), c.offset);
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.lines().front().ms, c.firstMs);
  }
}

TEST(LrcTimeline, LineAtIsTheStampPassedLast) {
  const std::wstring text = L"[00:01.00]a\r\n[00:03.00]b\r\n[00:03.00]c\r\n[00:02.00][00:05.00]d\r\n";
  LrcTimeline t = LrcTimeline::Parse(text);
  auto at = [&](int64_t ms) -> std::wstring {
    const sb::LrcLine* l = t.LineAt(ms);
    return l ? text.substr(l->begin + 10, l->end - l->begin - 10) : L"-";
  };
  const std::pair<int64_t, std::wstring> cases[] = {{-5, L"-"},   {999, L"-"},  {1000, L"a"}, {1999, L"a"},
                                                    {2000, L"[00:05.00]d"}, {3000, L"c"}, {4999, L"c"}, {5000, L"[00:05.00]d"},
                                                    {INT64_MAX, L"[00:05.00]d"}};
  for (const auto& [ms, want] : cases) EXPECT_EQ(at(ms), want) << ms;
}

TEST(LrcTimeline, EachLineKnowsItsWordsAndTheNextStamp) {
  const std::wstring text = L"[00:01.00]a\r\n[00:03.00]b\r\n[00:03.00]c\r\n  [00:02.00] [00:05.00]\u3000d e\r\n[00:06.00]";
  const LrcTimeline t = LrcTimeline::Parse(text);
  struct Want {
    int64_t ms;
    std::wstring words;
    int64_t nextMs;  // -1: no later stamp
  };
  const Want want[] = {{1000, L"a", 2000}, {2000, L"d e", 3000}, {3000, L"b", 5000}, {3000, L"c", 5000},
                       {5000, L"d e", 6000}, {6000, L"", -1}};
  ASSERT_EQ(t.lines().size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    const sb::LrcLine& l = t.lines()[i];
    SCOPED_TRACE(testing::Message() << i);
    EXPECT_EQ(l.ms, want[i].ms);
    EXPECT_EQ(text.substr(l.words, l.end - l.words), want[i].words);
    const sb::LrcLine* next = t.NextAfter(&l);
    EXPECT_EQ(next ? next->ms : -1, want[i].nextMs);
  }
  EXPECT_EQ(t.NextAfter(nullptr), nullptr);
}

TEST(LrcTimeline, TextWithoutStampsHasNoTimeline) {
  for (const wchar_t* text : {L"", L"\r\n", L"乙的歌词\r\n", L"[ti:a]\r\n[ar:b]\r\n", L"line [00:01.00]"}) {
    LrcTimeline t = LrcTimeline::Parse(text);
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(t.LineAt(INT64_MAX), nullptr);
  }
}

}  // namespace
