// The main window against a catalogue service that misbehaves: every refused
// input takes the failure path of its fetch, quickly and in bounded memory,
// and nothing makes the program flood the server.
#include <gtest/gtest.h>
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "app/song_list_view.h"
#include "app_test_support.h"
#include "hostile_responses.h"
#include "platform/form.h"

namespace {

using sbtest::HttpConnection;
using sbtest::HttpRequest;
using sbtest::TestCatalogue;

constexpr wchar_t kBusyText[] = L"对不起，正在执行当中，请稍候……";
constexpr wchar_t kNormalLyrics[] = L"[00:01]第一行\r\n[00:02]第二行\r\n";

using Handler = std::function<void(const HttpRequest&, HttpConnection&)>;

std::string PageOf(const std::wstring& songs) {
  return sbtest::Gbk(L"Data.list=[" + songs + L"];\r\nData.Nlist.order=[1];\r\n");
}

double Seconds(ULONGLONG since) { return (GetTickCount64() - since) / 1000.0; }

size_t PeakMegabytes() {
  PROCESS_MEMORY_COUNTERS pmc{sizeof pmc};
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc.PeakWorkingSetSize >> 20;
}

size_t WorkingSetMegabytes() {
  PROCESS_MEMORY_COUNTERS pmc{sizeof pmc};
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc.WorkingSetSize >> 20;
}

class HostileCatalogueTest : public ::testing::Test {
 protected:
  // The songs of the start-up page: the first with good lyrics and cover, the
  // others each with its own misbehaving lyrics and cover address.
  static std::vector<sbtest::DemoSong> Songs() {
    std::vector<sbtest::DemoSong> songs = {sbtest::DemoSongs()[0]};
    for (int i = 1; i <= 4; ++i) {
      std::wstring n = std::to_wstring(i);
      songs.push_back({L"90" + n, L"h" + n, L"Hostile" + n, L"s", L"p", L"2026-12-01", L"h" + n, L"h" + n, L"1", L"2"});
    }
    return songs;
  }

  void SetUp() override {
    auto& server = TestCatalogue::Get().server();
    server.Route("/", [this](const HttpRequest& r, HttpConnection& c) {
      Handler h = rootPage;
      if (h) return h(r, c);
      c.Respond(200, sbtest::CataloguePage(Songs()), "text/html");
    });
    window = sbtest::OpenMainWindow(&peers);
    ASSERT_NE(window, nullptr);
    list = window->Controls().listView1;
    ASSERT_EQ(sb::RowCount(list), 5);
  }
  void TearDown() override {
    if (window) sbtest::CloseMainWindow(*window);
    rootPage = nullptr;
  }
  sbtest::TestHttpServer& server() { return TestCatalogue::Get().server(); }

  // Runs 更新列表 and returns the seconds it took.
  double Reload() {
    const ULONGLONG start = GetTickCount64();
    SendMessageW(window->Controls().command1, BM_CLICK, 0, 0);
    return Seconds(start);
  }
  // Shows song 0's lyrics and cover, then clicks `row`; the seconds of that click.
  double ClickAfterAGoodSong(int row) {
    window->ClickSong(0);
    EXPECT_EQ(sb::Form::GetText(window->Controls().geci), kNormalLyrics);
    const ULONGLONG start = GetTickCount64();
    window->ClickSong(row);
    return Seconds(start);
  }

  Handler rootPage;  // the start-up page when empty
  sbtest::RecordingPeers peers;
  std::unique_ptr<sb::MainWindow> window;
  HWND list = nullptr;
};

TEST_F(HostileCatalogueTest, PagesOverTheBoundEndlessOrRedirectingForeverFailAtOnceWithTheBusyMessage) {
  std::string song;
  while (song.size() < 60000) song += sbtest::Gbk(sbtest::SongObject(1, L"一首歌") + L",");
  struct Case {
    const char* what;
    Handler page;
  } cases[] = {
      {"60 MB of songs",
       [&](const HttpRequest&, HttpConnection& c) {
         sbtest::SendRepeated(c, "text/html", "Data.list=[" + song, 60u << 20, false);
       }},
      {"an endless chunked body",
       [&](const HttpRequest&, HttpConnection& c) { sbtest::SendRepeated(c, "text/html", song, 0, true); }},
      {"a redirect to itself", [](const HttpRequest&, HttpConnection& c) { sbtest::Redirect(c, "/"); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    const int rows = sb::RowCount(list);
    rootPage = k.page;
    server().ClearLog();
    sbtest::MessageBoxAnswerer boxes;
    const double seconds = Reload();
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.seen()[0].text, kBusyText);
    EXPECT_EQ(sb::RowCount(list), rows + 5) << "the previous text is loaded again";
    EXPECT_LT(seconds, 20.0);
    EXPECT_LE(server().CountRequests("/"), 11);
  }
  rootPage = [](const HttpRequest&, HttpConnection& c) { sbtest::Redirect(c, "/"); };
  server().ClearLog();
  sbtest::MessageBoxAnswerer boxes;
  Reload();
  EXPECT_EQ(server().CountRequests("/"), 11) << "the first request and ten redirects followed";
  EXPECT_LT(PeakMegabytes(), 400u);
}

TEST_F(HostileCatalogueTest, PagesOfAnyShapeWithinTheBoundLoadAndCutOverlongValues) {
  const std::string hugeValuePage = PageOf(sbtest::SongObject(1, std::wstring(10u << 20, L'x')));
  const std::string normal = sbtest::CataloguePage(Songs());
  struct Case {
    const char* what;
    Handler page;
    int rows;
    std::wstring firstTitle;
    double seconds;
  } cases[] = {
      {"one value of 10 MB",
       [&](const HttpRequest&, HttpConnection& c) { c.Respond(200, hugeValuePage, "text/html"); }, 1,
       std::wstring(sb::limits::kListCellChars, L'x'), 10},
      {"1 MB of response headers",
       [&](const HttpRequest&, HttpConnection& c) { sbtest::RespondWithHugeHeaders(c, normal, "text/html", 1u << 20); },
       5, L"Delta", 10},
      {"two redirects on the way",
       [&](const HttpRequest& r, HttpConnection& c) {
         if (r.path == "/") return sbtest::Redirect(c, "/?hop=1");
         if (r.path == "/?hop=1") return sbtest::Redirect(c, "http://127.0.0.1:" + std::to_string(server().port()) + "/?hop=2");
         c.Respond(200, normal, "text/html");
       },
       5, L"Delta", 10},
  };
  server().Route("/?*", [this](const HttpRequest& r, HttpConnection& c) { rootPage(r, c); });
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    const int rows = sb::RowCount(list);
    rootPage = k.page;
    sbtest::MessageBoxAnswerer boxes;
    const double seconds = Reload();
    EXPECT_EQ(boxes.count(), 0);
    ASSERT_EQ(sb::RowCount(list), rows + k.rows);
    EXPECT_EQ(sb::CellText(list, rows, 0), k.firstTitle);
    EXPECT_LT(seconds, k.seconds);
  }
}

TEST_F(HostileCatalogueTest, LyricsOfAnyShapeShowOrKeepTheOldOnesWithinASecond) {
  const std::wstring flat(sb::limits::kLyricsBytes / 2, L'歌');  // two GBK bytes each: just within the bound
  std::string manyLines;
  while (manyLines.size() < (5u << 20)) manyLines += "[00:01] a line of lyrics\r\n";
  struct Case {
    const char* what;
    std::string body;
    bool shows;
  } cases[] = {
      {"256 KB without a line break", sbtest::Gbk(flat), true},
      {"5 MB without a line break", std::string(5u << 20, 'a'), false},
      {"5 MB in many lines", manyLines, false},
  };
  const auto& c = window->Controls();
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    server().Serve("/lyrics/h1", k.body, "text/plain");
    const double seconds = ClickAfterAGoodSong(1);
    std::wstring shown = sb::Form::GetText(c.geci);
    if (k.shows) {
      EXPECT_GE(SendMessageW(c.geci, EM_GETLINECOUNT, 0, 0), static_cast<LRESULT>(flat.size() / 128));
      std::erase_if(shown, [](wchar_t ch) { return ch == L'\r' || ch == L'\n'; });
      EXPECT_EQ(shown, flat) << "every character shows, over lines broken for display";
    } else {
      EXPECT_EQ(shown, kNormalLyrics);
    }
    EXPECT_EQ(sb::Form::GetText(c.singerInfo), L"获取完成Hostile1");
    EXPECT_LT(seconds, 5.0);
  }
}

TEST_F(HostileCatalogueTest, CoversDeclaringHugePicturesOrEndlessBodiesKeepTheOldCover) {
  const std::string cover = sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\cover\\cover0.jpg");
  const std::string huge = sbtest::JpegDeclaring(cover, 30000, 30000);
  ASSERT_FALSE(huge.empty());
  struct Case {
    const char* what;
    Handler cover;
  } cases[] = {
      {"a JPEG declaring 30000 x 30000",
       [&](const HttpRequest&, HttpConnection& c) { c.Respond(200, huge, "image/jpeg"); }},
      {"an endless body", [&](const HttpRequest&, HttpConnection& c) { sbtest::SendRepeated(c, "image/jpeg", cover, 0, false); }},
      {"a redirect loop", [](const HttpRequest&, HttpConnection& c) { sbtest::Redirect(c, "/cover/h3"); }},
  };
  const auto& c = window->Controls();
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    server().Route("/cover/h3", k.cover);
    window->ClickSong(0);
    IPicture* before = window->CoverPicture();
    ASSERT_NE(before, nullptr);
    server().ClearLog();
    const ULONGLONG start = GetTickCount64();
    window->ClickSong(3);
    EXPECT_LT(Seconds(start), 10.0);
    EXPECT_EQ(window->CoverPicture(), before);
    EXPECT_EQ(sb::Form::GetText(c.singerInfo), L"获取完成Hostile3");
    EXPECT_LE(server().CountRequests("/cover/h3"), 11);
  }
  EXPECT_LT(PeakMegabytes(), 400u);
}

TEST_F(HostileCatalogueTest, MediaSentWithoutEndIsHeldInBoundedMemory) {
  const std::string tone = sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\media\\tone1k.mp3");
  ASSERT_FALSE(tone.empty());
  const char tagHead[] = "ID3\x04\x00\x00\x7F\x7F\x7F\x7F";  // declares a 256 MB tag
  const struct {
    const char* what;
    std::string piece;
    std::wstring status;
  } cases[] = {
      {"MP3 frames", tone, L"正在播放"},
      {"a tag longer than the window", std::string(tagHead, 10) + std::string(64u << 10, '\0'), L"不是可播放的音频"},
  };
  server().Serve("/wgns/url/901", "endless.mp3", "text/plain");
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    // Shared with the server's thread, which may outlive this case by a moment.
    auto sent = std::make_shared<std::atomic<uint64_t>>(0);
    server().Route("/endless.mp3", [piece = k.piece, sent](const HttpRequest&, HttpConnection& c) {
      sbtest::SendRepeated(c, "audio/mpeg", piece, 0, false, sent.get());
    });
    const size_t before = WorkingSetMegabytes();
    window->ClickSong(1);
    SendMessageW(window->Controls().command4, BM_CLICK, 0, 0);
    EXPECT_TRUE(sbtest::PumpUntil([&] { return window->Player().Status() == k.status; }, 20000));
    // The server sends until the player's window and the sockets between are full.
    uint64_t last = 0;
    for (int i = 0; i < 40 && (last == 0 || *sent != last); ++i) {
      last = *sent;
      sbtest::PumpFor(500);
    }
    sbtest::PumpFor(1500);
    const size_t windowMb = sb::limits::kMediaWindowBytes >> 20;
    EXPECT_LT(*sent >> 20, windowMb + 32) << "the transfer waits while the window is full";
    EXPECT_LT(WorkingSetMegabytes(), before + windowMb + 48) << "the window and little else, from " << before << " MB";
    EXPECT_EQ(window->Player().Status(), k.status);
    const ULONGLONG stopping = GetTickCount64();
    window->Player().Stop();
    EXPECT_LT(Seconds(stopping), 1.5) << "a transfer waiting for room ends at once";
  }
}

// The real deadline of the window's transfer control, waited out once.
TEST_F(HostileCatalogueTest, ACoverServerThatNeverAnswersEndsAtTheSixtySecondDeadline) {
  ASSERT_EQ(window->Inet1().RequestTimeout(), 60);
  server().Route("/cover/h4", [](const HttpRequest&, HttpConnection& c) { sbtest::Stall(c); });
  window->ClickSong(0);
  IPicture* before = window->CoverPicture();
  const ULONGLONG start = GetTickCount64();
  window->ClickSong(4);
  const double seconds = Seconds(start);
  EXPECT_GE(seconds, 59.0);
  EXPECT_LT(seconds, 70.0);
  EXPECT_EQ(window->CoverPicture(), before);
  EXPECT_EQ(sb::Form::GetText(window->Controls().singerInfo), L"获取完成Hostile4");
  window->ClickSong(0);
  EXPECT_EQ(sb::Form::GetText(window->Controls().singerInfo), L"获取完成Delta") << "the next click works at once";
}

}  // namespace
