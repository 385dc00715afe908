// Listening through the real main window, player and sound device against
// the loopback catalogue: play-through of the list.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

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

}  // namespace
