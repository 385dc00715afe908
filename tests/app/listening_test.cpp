// Listening through the real main window, player and sound device against
// the loopback catalogue: play-through of the list, the lyric line being sung.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>

#include "app/main_window_song_host.h"
#include "app/song_list_view.h"
#include "app_test_support.h"
#include "audio_capture.h"
#include "platform/media_player.h"
#include "app/song_commands.h"

namespace {

using sb::PlayerState;
using sbtest::Button;
using sbtest::ChooseFromNextMenu;
using sbtest::TestCatalogue;

constexpr double kRate = 44100;  // both test sounds are mono 44.1 kHz

// An end or failure the player reported: the selected row then and, for an
// end, the pitch of what reached the sound device.
struct Finished {
  PlayerState state;
  int row;
  int hz;  // rounded to 50 Hz
  bool operator==(const Finished&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Finished& f) {
  return os << "{" << static_cast<int>(f.state) << ", row " << f.row << ", " << f.hz << " Hz}";
}

// Time-stamped lyrics: a title line, then line k at 2k seconds for k = 1..n.
std::wstring StampedLyrics(int n) {
  std::wstring text = L"[ti:测试歌词]\r\n";
  for (int k = 1; k <= n; ++k) {
    wchar_t stamp[16];
    swprintf(stamp, 16, L"[%02d:%02d.00]", 2 * k / 60, 2 * k % 60);
    text += stamp + std::wstring(L"第") + std::to_wstring(k) + L"行\r\n";
  }
  return text;
}

class ListeningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& server = TestCatalogue::Get().server();
    const std::string tone = sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\media\\tone1k.mp3");
    for (const char* path : {"/data/a.mp3", "/data/b.mp3", "/data/c.mp3"}) server.Serve(path, tone, "audio/mpeg");
    server.Serve("/data/d.mp3", sbtest::SineWav(44100, 1.0, 500), "audio/mpeg");
    server.Serve("/wgns/url/103", "data/c.mp3", "text/plain");
    ASSERT_TRUE(app.Open());
    list = window->Controls().listView1;
    auto inner = window->Player().StateChanged;
    window->Player().StateChanged = [this, inner](int state) {
      const auto s = static_cast<PlayerState>(state);
      if (s == PlayerState::Ended || s == PlayerState::Failed) {
        const double hz = s == PlayerState::Ended ? sbtest::ToneFrequency(sbtest::CapturedSamples(), kRate) : 0;
        finished.push_back({s, sb::SelectedRow(list).value_or(-1), static_cast<int>(hz / 50 + 0.5) * 50});
      }
      inner(state);
    };
    server.ClearLog();
  }
  void TearDown() override {
    app.Close();
  }
  int Requests(const std::string& path) { return TestCatalogue::Get().server().CountRequests(path); }
  // The lyrics box's selection, as the number of the stamped line it covers
  // exactly (0: nothing selected, -1: anything else).
  int SelectedLyricLine() {
    HWND geci = window->Controls().geci;
    DWORD begin = 0, end = 0;
    SendMessageW(geci, EM_GETSEL, reinterpret_cast<WPARAM>(&begin), reinterpret_cast<LPARAM>(&end));
    if (begin == end) return 0;
    const std::wstring text = sb::Form::GetText(geci);
    const std::wstring line = text.substr(begin, end - begin);
    if (begin > 0 && text[begin - 1] != L'\n') return -1;
    if (end < text.size() && text[end] != L'\r') return -1;
    if (line.size() < 12 || line[0] != L'[' || line.substr(10, 1) != L"第") return -1;
    return std::stoi(line.substr(11));
  }
  // The lines selected one after another until `until` holds (or 20 s pass).
  std::vector<int> WatchLyricLines(const std::function<bool(int)>& until) {
    std::vector<int> seen;
    sbtest::PumpUntil(
        [&] {
          const int line = SelectedLyricLine();
          if (line != 0 && (seen.empty() || seen.back() != line)) seen.push_back(line);
          return until(line);
        },
        20000);
    return seen;
  }
  void DoubleClickRow(int row) { sbtest::MouseClick(list, sbtest::Centre(sbtest::RowRect(list, row)), Button::Left, 2); }
  // Waits for `n` ends or failures, then a while longer for any that should not come.
  void WaitForFinished(size_t n) {
    EXPECT_TRUE(sbtest::PumpUntil([&] { return finished.size() >= n; }, 30000));
    sbtest::PumpFor(1500);
  }

  sbtest::CommandedMainWindow app;
  std::unique_ptr<sb::MainWindow>& window = app.window;
  std::unique_ptr<sb::SongCommands>& commands = app.commands;
  HWND list = nullptr;
  std::vector<Finished> finished;
};

TEST_F(ListeningTest, PlayThroughFromTheMenuPlaysTheNextRowsInOrderAndStopsAfterTheLast) {
  HMENU menu = commands->Form2().MunFile();
  ChooseFromNextMenu(commands->Form2().hwnd(), L'c');
  sbtest::MouseClick(list, sbtest::Centre(sbtest::RowRect(list, 0)), Button::Right);
  ASSERT_TRUE(window->ContinuousPlay());
  EXPECT_TRUE(GetMenuState(menu, sb::MenuForm::kMunContinuous, MF_BYCOMMAND) & MF_CHECKED);

  DoubleClickRow(2);
  WaitForFinished(2);
  EXPECT_EQ(finished, (std::vector<Finished>{{PlayerState::Ended, 2, 1000}, {PlayerState::Ended, 3, 500}}));
  EXPECT_EQ(sb::SelectedRow(list), 3);
  EXPECT_EQ(window->GDZ(), L"104") << "the next song was clicked as a double-click does";
  EXPECT_EQ(window->Player().URL(), TestCatalogue::Get().Root() + L"data/d.mp3");
  EXPECT_EQ(Requests("/lyrics/l3"), 1);
  EXPECT_EQ(Requests("/wgns/url/104"), 1);

  ChooseFromNextMenu(commands->Form2().hwnd(), L'c');
  sbtest::MouseClick(list, sbtest::Centre(sbtest::RowRect(list, 0)), Button::Right);
  EXPECT_FALSE(window->ContinuousPlay());
  EXPECT_FALSE(GetMenuState(menu, sb::MenuForm::kMunContinuous, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(ListeningTest, WithoutPlayThroughASongEndsAndNothingFollows) {
  DoubleClickRow(2);
  WaitForFinished(1);
  EXPECT_EQ(finished, (std::vector<Finished>{{PlayerState::Ended, 2, 1000}}));
  EXPECT_EQ(sb::SelectedRow(list), 2);
  EXPECT_EQ(Requests("/wgns/url/104"), 0);
  EXPECT_EQ(window->Player().State(), PlayerState::Ended);
}

TEST_F(ListeningTest, AFailingSongIsSkipped) {
  TestCatalogue::Get().server().Route("/data/b.mp3", [](const sbtest::HttpRequest&, sbtest::HttpConnection& c) {
    c.Respond(404, "gone");
  });
  window->SetContinuousPlay(true);
  DoubleClickRow(0);
  WaitForFinished(4);
  EXPECT_EQ(finished, (std::vector<Finished>{{PlayerState::Ended, 0, 1000},
                                             {PlayerState::Failed, 1, 0},
                                             {PlayerState::Ended, 2, 1000},
                                             {PlayerState::Ended, 3, 500}}));
  EXPECT_EQ(Requests("/data/b.mp3"), 1);
}

TEST_F(ListeningTest, ThreeFailuresInARowStopPlayThrough) {
  auto& server = TestCatalogue::Get().server();
  SendMessageW(window->Controls().command1, BM_CLICK, 0, 0);  // 更新列表: every song twice
  ASSERT_EQ(sb::RowCount(list), 8);
  const auto gone = [](const sbtest::HttpRequest&, sbtest::HttpConnection& c) { c.Respond(404, "gone"); };
  server.Route("/data/b.mp3", gone);
  server.Route("/wgns/url/103", [](const sbtest::HttpRequest&, sbtest::HttpConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\ndata/");  // broken off
    c.Close();
  });
  server.Route("/data/d.mp3", gone);
  server.ClearLog();
  window->SetContinuousPlay(true);
  DoubleClickRow(0);
  WaitForFinished(3);
  EXPECT_EQ(finished, (std::vector<Finished>{
                          {PlayerState::Ended, 0, 1000}, {PlayerState::Failed, 1, 0}, {PlayerState::Failed, 3, 0}}));
  EXPECT_EQ(Requests("/wgns/url/103"), 1) << "an address that cannot be resolved is a failure too";
  EXPECT_EQ(Requests("/wgns/url/101"), 1) << "the fourth row after the end is never tried";
  EXPECT_EQ(window->Player().State(), PlayerState::Failed);
}

TEST_F(ListeningTest, TheLineBeingSungIsSelectedInTurnAndTheUsersScrollingPausesThat) {
  auto& server = TestCatalogue::Get().server();
  server.Serve("/lyrics/l0", sbtest::Gbk(StampedLyrics(29)), "text/plain");
  server.Serve("/data/a.mp3", sbtest::SineWav(8000, 60.0, 440), "audio/wav");
  window->PlaySong(0);
  EXPECT_EQ(WatchLyricLines([](int line) { return line >= 3; }), (std::vector<int>{1, 2, 3}));
  EXPECT_GE(window->Player().PositionSeconds(), 5.5);
  const std::wstring shown = sb::Form::GetText(window->Controls().geci);
  ASSERT_EQ(shown, StampedLyrics(29));

  PostMessageW(window->Controls().geci, WM_VSCROLL, SB_LINEDOWN, 0);
  sbtest::PumpFor(20);
  const int paused = SelectedLyricLine();
  const double pausedAt = sb::PlayerClockMs();
  const int resumed = WatchLyricLines([&](int line) { return line != paused; }).back();
  EXPECT_GT(sb::PlayerClockMs() - pausedAt, 4500) << "following pauses for 5 s";
  EXPECT_EQ(window->Player().State(), PlayerState::Playing);
  EXPECT_GT(resumed, paused + 1) << "the line sung after the pause, not the next one";
  EXPECT_NEAR(resumed, window->Player().PositionSeconds() / 2, 1.5);
  EXPECT_EQ(sb::Form::GetText(window->Controls().geci), shown) << "the text never changes";
  window->Player().Stop();
}

TEST_F(ListeningTest, OnlyTimeStampedLyricsOfThePlayingSongAreFollowed) {
  auto& server = TestCatalogue::Get().server();
  server.Serve("/lyrics/l0", sbtest::Gbk(L"没有时间标签的歌词\r\n第二行\r\n"), "text/plain");
  server.Serve("/lyrics/l1", sbtest::Gbk(StampedLyrics(10)), "text/plain");
  server.Serve("/data/a.mp3", sbtest::SineWav(8000, 30.0, 440), "audio/wav");
  window->PlaySong(0);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return window->Player().PositionSeconds() > 3; }, 10000));
  EXPECT_EQ(SelectedLyricLine(), 0);
  window->ClickSong(1);  // another song's stamped lyrics
  ASSERT_EQ(sb::Form::GetText(window->Controls().geci), StampedLyrics(10));
  const double at = window->Player().PositionSeconds();
  ASSERT_TRUE(sbtest::PumpUntil([&] { return window->Player().PositionSeconds() > at + 4; }, 10000));
  EXPECT_EQ(SelectedLyricLine(), 0);
  window->Player().Stop();
}

}  // namespace
