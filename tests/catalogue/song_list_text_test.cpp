#include "catalogue/song_list_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "song_list_reference.h"

namespace {

using sb::CompleteLines;
using sb::NormaliseSongPage;
using sb::RowFromLine;
using sb::SongRows;
using sb::SplitValues;

std::wstring Song(int sid, const std::wstring& title, const std::wstring& singer = L"歌手") {
  return L"{sid:" + std::to_wstring(sid) + L",al:'file" + std::to_wstring(sid) + L"',ti:'" + title +
         L"',si:'" + singer + L"',cp:'出品',da:'2026-12-01',ico:'p" + std::to_wstring(sid) +
         L"',lrc:'l" + std::to_wstring(sid) + L"',dl:12,tl:3456,cv:1}";
}

std::wstring Line(int sid, const std::wstring& title, const std::wstring& singer = L"歌手") {
  return std::to_wstring(sid) + L" file" + std::to_wstring(sid) + L" " + title + L" " + singer +
         L" 出品 2026-12-01 p" + std::to_wstring(sid) + L" l" + std::to_wstring(sid) + L" 12 3456 1";
}

std::vector<std::wstring> Strings(const std::vector<std::wstring_view>& views) {
  return {views.begin(), views.end()};
}

TEST(Normalise, FirstArrayBeforeTheMarkerGivesOneLinePerSongInPageOrder) {
  std::wstring page = L"var Data={};Data.Nlist.hot=[" + Song(7, L"A B") + L"," + Song(8, L"晴天") +
                      L"];\r\nData.Nlist.order=[" + Song(9, L"不要") + L"];\r\n";
  auto text = NormaliseSongPage(page);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, Line(7, L"A\u3000B") + L"\r\n" + Line(8, L"晴天") + L"\r\n");

  auto rows = SongRows(*text);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].cells[0], L"A\u3000B");
  EXPECT_EQ(rows[0].cells[1], L"file7");
  EXPECT_EQ(rows[0].cells[2], L"7");
  EXPECT_EQ(rows[0].cells[3], L"歌手");
  EXPECT_EQ(rows[0].cells[4], L"出品");
  EXPECT_EQ(rows[0].cells[5], L"2026-12-01");
  EXPECT_EQ(rows[0].cells[6], L"p7");
  EXPECT_EQ(rows[0].cells[7], L"l7");
  EXPECT_EQ(rows[0].cells[8], L"12");
  EXPECT_EQ(rows[0].cells[9], L"3456");
  EXPECT_EQ(rows[1].cells[0], L"晴天");
  EXPECT_EQ(rows[1].cells[2], L"8");
}

TEST(Normalise, FirstSongAfterTheMarkerRunsToTheEndOfThePage) {
  std::wstring page = L"Data.Nlist.hot=[];\r\nData.Nlist.order=[" + Song(1, L"一") + L"];\r\nData.Nlist.top=[" +
                      Song(2, L"二") + L"];\r\n";
  auto text = NormaliseSongPage(page);
  ASSERT_TRUE(text);
  // The later array's name sticks to the first value of its first song.
  EXPECT_EQ(*text, Line(1, L"一") + L"\r\nData.Nlist.top=[" + Line(2, L"二") + L"\r\n");
  auto rows = SongRows(*text);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].cells[2], L"Data.Nlist.top=[2");
}

TEST(Normalise, OnlyTheFirstMarkerCutsTheArray) {
  std::wstring page = Song(1, L"x") + L"];\r\nData.Nlist.order=[" + Song(2, L"y") +
                      L"];\r\nData.Nlist.order=[" + Song(3, L"z") + L"];\r\n";
  EXPECT_EQ(*NormaliseSongPage(page), Line(1, L"x") + L"\r\n");
}

TEST(Normalise, MissingMarkersFail) {
  EXPECT_FALSE(NormaliseSongPage(std::wstring()));
  EXPECT_FALSE(NormaliseSongPage(L"Text1"));
  EXPECT_FALSE(NormaliseSongPage(L"Data.Nlist.hot=[" + Song(1, L"a") + L"];"));
  EXPECT_FALSE(NormaliseSongPage(std::wstring(L"Data.Nlist.order=[];\r\n")));
  EXPECT_FALSE(NormaliseSongPage(L"data.nlist.order=[" + Song(1, L"a") + L"];"));
  EXPECT_FALSE(NormaliseSongPage(L"Data.Nlist.order=[{SID:1}];"));
}

TEST(Normalise, ValuesLoseQuotesKeyTextAndShiftOnCommas) {
  auto text = NormaliseSongPage(Song(3, L"Don't Stop") + L",Data.Nlist.order=[");
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, Line(3, L"Dont\u3000Stop") + L"\r\n");

  // "ti:" and "al:" inside values vanish.
  text = NormaliseSongPage(Song(4, L"Royal: Mati:ss") + L"];Data.Nlist.order=[");
  EXPECT_EQ(*text, Line(4, L"Roy\u3000Mass"));

  // A comma inside a quoted title splits it and shifts the later positions.
  text = NormaliseSongPage(Song(5, L"左,右") + L"];Data.Nlist.order=[");
  auto values = SplitValues<wchar_t>(*text);
  ASSERT_EQ(values.size(), 12u);
  EXPECT_EQ(values[2], L"左");
  EXPECT_EQ(values[3], L"右");
  EXPECT_EQ(values[4], L"歌手");
  auto row = RowFromLine<wchar_t>(*text);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->cells[0], L"左");
  EXPECT_EQ(row->cells[9], L"12");
}

TEST(Normalise, LaterStepsSeeWhatEarlierStepsLeft) {
  auto n = [](const std::wstring& body) { return *NormaliseSongPage(L"{sid:" + body + L"Data.Nlist.order=["); };
  EXPECT_EQ(n(L"t'i:x"), L"x");           // quote removal forms "ti:"
  EXPECT_EQ(n(L"a{sid:l:x"), L"x");       // removing "{sid:" forms "al:"
  EXPECT_EQ(n(L"}'x"), L"x");             // "}'" is not "},", the brace goes later
  EXPECT_EQ(n(L"}',x"), L"\r\nx");        // but "}'," becomes "}," after the quotes go
  EXPECT_EQ(n(L"}},x"), L"\r\nx");        // the first brace is removed by the brace step
  EXPECT_EQ(n(L"a b,c"), L"a\u3000b c");  // page spaces and separators stay apart
  EXPECT_EQ(n(L"]];;"), L"];");           // one pass: what a removal joins stays
  EXPECT_EQ(n(L"lrcp:x"), L"lrx");        // no "lrc:" here, so "cp:" goes
  EXPECT_EQ(n(L"lrc:p:x"), L"p:x");       // "cp:" is looked for only after "lrc:" went
}

TEST(Normalise, MatchesTheLiteralReplacementChainOnRandomText) {
  const std::vector<std::wstring> pieces = {L"{sid:", L"al:", L"ti:", L"si:", L"lrc:", L"cp:", L"da:", L"dl:", L"tl:",
                                            L"ico:", L"cv:", L"}", L"];", L"},", L"'", L",", L" ", L"a", L"l",
                                            L"t", L"i", L":", L"{", L"s", L"d", L"c", L"]", L";", L"歌",
                                            L"Data.Nlist.order=[", L"\r\n"};
  std::mt19937 rng(20261207);
  for (int round = 0; round < 3000; ++round) {
    std::wstring page;
    int count = static_cast<int>(rng() % 40);
    for (int i = 0; i < count; ++i) page += pieces[rng() % pieces.size()];
    EXPECT_EQ(NormaliseSongPage(page), sbtest::ReferenceNormalise(page)) << "page: " << page.size();
  }
}

TEST(Lines, OnlyPiecesEndedByCrLfAreLoaded) {
  EXPECT_TRUE(CompleteLines<wchar_t>(L"").empty());
  EXPECT_TRUE(CompleteLines<wchar_t>(L"Text1").empty());
  EXPECT_EQ(Strings(CompleteLines<wchar_t>(L"a\r\nb")), (std::vector<std::wstring>{L"a"}));
  EXPECT_EQ(Strings(CompleteLines<wchar_t>(L"a\r\nb\r\n")), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_EQ(Strings(CompleteLines<wchar_t>(L"\r\n\r\n")), (std::vector<std::wstring>{L"", L""}));
  EXPECT_EQ(Strings(CompleteLines<wchar_t>(L"a\rb\nc\r\r\nd\r")), (std::vector<std::wstring>{L"a\rb\nc\r"}));
}

TEST(Lines, ValuesSplitAtEverySpace) {
  EXPECT_EQ(Strings(SplitValues<wchar_t>(L"")), (std::vector<std::wstring>{L""}));
  EXPECT_EQ(Strings(SplitValues<wchar_t>(L"a  b ")), (std::vector<std::wstring>{L"a", L"", L"b", L""}));
  EXPECT_EQ(Strings(SplitValues<wchar_t>(L"a\u3000b\tc")), (std::vector<std::wstring>{L"a\u3000b\tc"}));
}

TEST(Lines, RowsNeedTenValuesAndDropTheRest) {
  EXPECT_FALSE(RowFromLine<wchar_t>(L""));
  EXPECT_FALSE(RowFromLine<wchar_t>(L"0 1 2 3 4 5 6 7 8"));
  auto row = RowFromLine<wchar_t>(L"0 1 2 3 4 5 6 7 8 9");
  ASSERT_TRUE(row);
  const wchar_t* expected[] = {L"2", L"1", L"0", L"3", L"4", L"5", L"6", L"7", L"8", L"9"};
  for (int k = 0; k < sb::kSongListColumns; ++k) EXPECT_EQ(row->cells[k], expected[k]) << k;
  row = RowFromLine<wchar_t>(L"0 1 2 3 4 5 6 7 8 9 10 11");
  ASSERT_TRUE(row);
  EXPECT_EQ(row->cells[9], L"9");
  row = RowFromLine<wchar_t>(L"         ");
  ASSERT_TRUE(row);
  for (auto cell : row->cells) EXPECT_TRUE(cell.empty());

  std::wstring text = L"0 1 2 3 4 5 6 7 8 9\r\nshort line\r\n\r\na b c d e f g h i j\r\nk l m n o p q r s t";
  auto rows = SongRows(text);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].cells[0], L"2");
  EXPECT_EQ(rows[1].cells[0], L"c");
}

TEST(Lines, MoreThan32767LinesAllLoad) {
  std::wstring text;
  const int lines = 40000;
  for (int i = 0; i < lines; ++i) text += std::to_wstring(i) + L" f t s p d i l 1 2 3\r\n";
  auto rows = SongRows(text);
  ASSERT_EQ(rows.size(), static_cast<size_t>(lines));
  EXPECT_EQ(rows[32767].cells[2], L"32767");
  EXPECT_EQ(rows.back().cells[2], L"39999");
}

TEST(BadInput, BinaryTextNeverCrashes) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    std::u16string page(static_cast<size_t>(rng() % 5000), u'\0');
    for (auto& c : page) c = static_cast<char16_t>(rng());
    if (round % 2) page.insert(rng() % (page.size() + 1), u"{sid:");
    if (round % 3) page.insert(rng() % (page.size() + 1), u"Data.Nlist.order=[");
    auto text = NormaliseSongPage<char16_t>(page);
    EXPECT_EQ(text.has_value(), page.find(u"{sid:") != page.npos && page.find(u"Data.Nlist.order=[") != page.npos);
    if (text) {
      EXPECT_LE(text->size(), page.size());
      SongRows<char16_t>(*text);
    }
  }
}

TEST(BadInput, UnbalancedQuotesAndBracesStayInOrder) {
  auto text = NormaliseSongPage(std::wstring(L"{sid:'1,al:'x}}}{sid:{ti:'Data.Nlist.order=['"));
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, L"1 x{");
  EXPECT_TRUE(SongRows(*text).empty());
}

TEST(BadInput, FiftyMegabytePageNormalisesInOnePiece) {
  std::u16string song = u"{sid:1,al:'f',ti:'t t',si:'s',cp:'c',da:'2026-12-01',ico:'i',lrc:'l',dl:1,tl:2,cv:1},";
  std::u16string page;
  page.reserve(25'000'000 + 64);
  while (page.size() < 25'000'000) page += song;
  page += u"];Data.Nlist.order=[";
  auto text = NormaliseSongPage<char16_t>(page);
  ASSERT_TRUE(text);
  auto rows = SongRows<char16_t>(*text);
  EXPECT_EQ(rows.size(), (page.size() - 20) / song.size());
  EXPECT_EQ(rows.back().cells[0], u"t\u3000t");
}

TEST(BadInput, BoundedLinesKeepElevenValuesEachCutAndTheRowsOtherwiseUnchanged) {
  struct Case {
    std::wstring text, bounded;
  } cases[] = {
      {L"0 1 2 3 4 5 6 7 8 9 10\r\n", L"0 1 2 3 4 5 6 7 8 9 10\r\n"},
      {L"0 1 2 3 4 5 6 7 8 9 10 11 12\r\ntail", L"0 1 2 3 4 5 6 7 8 9 10\r\ntail"},
      {L"abcdef 1\r\n\r\n" + std::wstring(50, L' ') + L"\r\nx\ry", L"abcd 1\r\n\r\n          \r\nx\ry"},
      {L"\r\r\n\n", L"\r\r\n\n"},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(sb::BoundLineValues<wchar_t>(k.text, 11, 4), k.bounded) << k.text.size();
  }
  const std::wstring page = Line(1, std::wstring(100000, L'歌')) + L"\r\n" + Line(2, L"二") + L"\r\n";
  const std::wstring bounded = sb::BoundLineValues<wchar_t>(page, sb::kSongRecordValues, 1024);
  auto rows = SongRows(bounded);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].cells[0], std::wstring(1024, L'歌'));
  EXPECT_EQ(rows[0].cells[9], L"3456");
  EXPECT_EQ(rows[1].cells[0], L"二");
}

TEST(ServiceRoot, GetsExactlyOneTrailingSlash) {
  const std::wstring fallback = L"http://127.0.0.1:8611/";
  EXPECT_EQ(sb::RootWithSlash(L"", fallback), fallback);
  EXPECT_EQ(sb::RootWithSlash(L"http://h:1", fallback), L"http://h:1/");
  EXPECT_EQ(sb::RootWithSlash(L"http://h:1/", fallback), L"http://h:1/");
}

TEST(ServiceRoot, OnlyHttpAddressesWithAHostAreChosen) {
  const std::wstring fallback = L"http://127.0.0.1:8611/";
  const struct {
    std::wstring_view address;
    bool ok;
  } cases[] = {
      {L"http://h", true}, {L"HTTPS://h:443/歌/", true}, {L"http://", false}, {L"http:///x", false},
      {L"https://:80/", false}, {L"ftp://h/", false}, {L"file:///C:/", false}, {L"h:8611/", false},
      {L"http://h/a b", false}, {L" http://h/", false}, {L"http://h/\"\" evil", false}, {L"http://h/\t", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sb::IsServiceAddress(c.address), c.ok) << c.address.data();
    EXPECT_EQ(sb::ChooseServiceRoot({c.address, L"http://next"}, fallback), c.ok ? sb::RootWithSlash(std::wstring(c.address), fallback) : L"http://next/");
  }
  EXPECT_EQ(sb::ChooseServiceRoot({L"", L"mailto:x"}, fallback), fallback);
}

}  // namespace
