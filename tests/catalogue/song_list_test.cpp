#include "catalogue/song_list.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/inet.h"
#include "platform/user_settings.h"
#include "song_list_window.h"
#include "test_env.h"
#include "test_http_server.h"

namespace {

using sbtest::SongListForm;

constexpr wchar_t kBusyText[] = L"对不起，正在执行当中，请稍候……";

std::wstring Song(int sid, const std::wstring& title, const std::wstring& singer) {
  std::wstring id = std::to_wstring(sid);
  return L"{sid:" + id + L",al:'song" + id + L"',ti:'" + title + L"',si:'" + singer +
         L"',cp:'青石唱片',da:'2026-12-01',ico:'p" + id + L"',lrc:'l" + id + L"',dl:" + id + L",tl:9" + id + L",cv:1}";
}

// Points the service root at a test server for one test.
class RootOverride {
 public:
  explicit RootOverride(const std::wstring& root) { SetEnvironmentVariableW(L"SONGBOX_ROOT", root.c_str()); }
  ~RootOverride() { SetEnvironmentVariableW(L"SONGBOX_ROOT", nullptr); }
};

TEST(InPuter, AppendsOneRowPerCompleteLineWithTheIdsCrosswise) {
  SongListForm f;
  f.SetText(f.text1, L"7 song7 晴天\u3000海风 林小雨 青石 2026-12-01 p7 l7 12 345 1\r\n"
                     L"8 song8 远方 周 木 2026-11-30 p8 l8 0 6 1\r\n"
                     L"9 song9 lost because no line break follows 1 2 3 4 5 6");
  sb::InPuter(f.text1, f.list);
  ASSERT_EQ(f.Rows(), 2);
  const wchar_t* first[] = {L"晴天\u3000海风", L"song7", L"7", L"林小雨", L"青石", L"2026-12-01", L"p7", L"l7", L"12", L"345"};
  for (int k = 0; k < 10; ++k) EXPECT_EQ(f.Cell(0, k), first[k]) << "column " << k;
  EXPECT_EQ(f.Cell(1, 0), L"远方");
  EXPECT_EQ(f.Cell(1, 2), L"8");
  EXPECT_EQ(f.Cell(1, 9), L"6");
}

TEST(InPuter, NeverClearsAndSkipsLinesWithoutTenValues) {
  SongListForm f;
  sb::InPuter(f.text1, f.list);  // the design text "Text1" has no line
  EXPECT_EQ(f.Rows(), 0);

  f.SetText(f.text1, L"1 a 一 s c d p l 1 2\r\n\r\ntoo few values here\r\n2 b 二 s c d p l 3 4\r\n");
  sb::InPuter(f.text1, f.list);
  sb::InPuter(f.text1, f.list);
  ASSERT_EQ(f.Rows(), 4);
  EXPECT_EQ(f.Cell(0, 0), L"一");
  EXPECT_EQ(f.Cell(1, 0), L"二");
  EXPECT_EQ(f.Cell(2, 0), L"一");
  EXPECT_EQ(f.Cell(3, 0), L"二");
  EXPECT_EQ(f.Cell(3, 2), L"2");
}

TEST(Updata, GbkPageWithChineseTitlesEndsUpInTheList) {
  sbtest::TestHttpServer server;
  std::wstring page = L"var Data={};Data.Nlist.hot=[" + Song(101, L"晴天 的 海风", L"林小雨") + L"," +
                      Song(102, L"Don't 回头", L"周木") + L"];\r\nData.Nlist.order=[" + Song(1, L"x", L"y") +
                      L"];\r\n";
  server.Serve("/", sbtest::Gbk(page), "application/x-javascript; charset=gbk");
  RootOverride root(server.Root());

  SongListForm f;
  sb::Inet inet;
  sbtest::MessageBoxAnswerer boxes;
  ASSERT_TRUE(sb::updata(inet, f.text1, f.hwnd()));
  EXPECT_EQ(boxes.count(), 0);
  EXPECT_EQ(server.CountRequests("/"), 1);
  EXPECT_EQ(f.Text1(), L"101 song101 晴天\u3000的\u3000海风 林小雨 青石唱片 2026-12-01 p101 l101 101 9101 1\r\n"
                       L"102 song102 Dont\u3000回头 周木 青石唱片 2026-12-01 p102 l102 102 9102 1\r\n");
  sb::InPuter(f.text1, f.list);
  ASSERT_EQ(f.Rows(), 2);
  EXPECT_EQ(f.Cell(0, 0), L"晴天\u3000的\u3000海风");
  EXPECT_EQ(f.Cell(0, 3), L"林小雨");
  EXPECT_EQ(f.Cell(1, 0), L"Dont\u3000回头");
  EXPECT_EQ(f.Cell(1, 1), L"song102");
  EXPECT_EQ(f.Cell(1, 2), L"102");
}

TEST(Updata, FailuresShowTheBusyMessageAndKeepText1) {
  sbtest::TestHttpServer server;
  server.Serve("/", sbtest::Gbk(L"Data.Nlist.hot=[" + Song(1, L"a", L"b") + L"];"), "text/html; charset=gbk");
  SongListForm f;
  f.SetText(f.text1, L"1 a 一 s c d p l 1 2\r\n");
  sb::Inet inet;

  auto expectBusy = [&](const char* what) {
    sbtest::MessageBoxAnswerer boxes;
    EXPECT_FALSE(sb::updata(inet, f.text1, f.hwnd())) << what;
    ASSERT_EQ(boxes.count(), 1) << what;
    EXPECT_EQ(boxes.seen()[0].title, L"错误");
    EXPECT_EQ(boxes.seen()[0].text, kBusyText);
    EXPECT_EQ(boxes.seen()[0].icon, LoadIconW(nullptr, IDI_HAND)) << "the stop icon";
    EXPECT_EQ(boxes.seen()[0].buttons, std::vector<int>{IDOK});
    EXPECT_EQ(f.Text1(), L"1 a 一 s c d p l 1 2\r\n") << what;
  };
  {
    RootOverride root(server.Root());
    expectBusy("page without the order marker");
  }
  {
    // A port nobody listens on: the listener of a server that has gone.
    std::wstring gone;
    {
      sbtest::TestHttpServer closed;
      gone = closed.Root();
    }
    RootOverride root(gone);
    expectBusy("refused connection");
  }
  // The kept text loads the previous songs once more.
  sb::InPuter(f.text1, f.list);
  EXPECT_EQ(f.Rows(), 1);
}

TEST(Updata, ALongPageArrivesWholeInText1AndTheList) {
  sbtest::TestHttpServer server;
  std::wstring page = L"Data.Nlist.news=[";
  const int songs = 3000;
  for (int i = 0; i < songs; ++i) page += (i ? L"," : L"") + Song(1000 + i, L"第" + std::to_wstring(i) + L"首 歌", L"歌手");
  page += L"];\r\nData.Nlist.order=[];";
  server.Serve("/", sbtest::Gbk(page), "text/html; charset=gbk");
  RootOverride root(server.Root());

  SongListForm f;
  sb::Inet inet;
  ASSERT_TRUE(sb::updata(inet, f.text1, f.hwnd()));
  std::wstring text = f.Text1();
  EXPECT_GT(text.size(), 100000u);
  EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");
  sb::InPuter(f.text1, f.list);
  ASSERT_EQ(f.Rows(), songs);
  EXPECT_EQ(f.Cell(songs - 1, 0), L"第2999首\u3000歌");
  EXPECT_EQ(f.Cell(songs - 1, 2), L"3999");
}

TEST(ServiceRoot, FirstHttpAddressOfEnvironmentProgramFileAndUserFileWins) {
  const struct {
    const wchar_t* environment;
    const char* besideProgram;
    const char* perUser;
    const wchar_t* expected;
  } cases[] = {
      {L"", nullptr, nullptr, L"http://127.0.0.1:8611/"},
      {L"http://env", "[catalogue]\nroot=http://program/\n", "[catalogue]\nroot=http://user/\n", L"http://env/"},
      {L"ftp://env/", "[catalogue]\r\nroot = http://program/x \r\n", nullptr, L"http://program/x/"},
      {L"", "[catalogue]\nroot=catalogue.example\n", "\xEF\xBB\xBF[Catalogue]\nRoot=https://user:8/", L"https://user:8/"},
      {L"", "[other]\nroot=http://program/\n", "[catalogue]\nroot=http://user/", L"http://user/"},
      {L"", "[catalogue]\nroot=\n", "[catalogue]\nroot=file:///C:/\n", L"http://127.0.0.1:8611/"},
  };
  for (const auto& c : cases) {
    RootOverride root(c.environment);
    sbtest::ScopedFile program(sb::ProgramSettingsPath(), c.besideProgram);
    sbtest::ScopedFile user(sb::PerUserSettingsPath(), c.perUser);
    EXPECT_EQ(sb::ServiceRoot(), c.expected);
  }
}

TEST(ServiceRoot, EnvironmentOverridesTheDemoCatalogue) {
  {
    RootOverride root(L"");
    EXPECT_EQ(sb::ServiceRoot(), L"http://127.0.0.1:8611/");
  }
  {
    RootOverride root(L"http://catalogue.example:81");
    EXPECT_EQ(sb::ServiceRoot(), L"http://catalogue.example:81/");
  }
  {
    RootOverride root(L"http://h/music/");
    EXPECT_EQ(sb::ServiceRoot(), L"http://h/music/");
  }
}

}  // namespace
