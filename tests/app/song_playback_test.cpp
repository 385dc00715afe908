#include <gtest/gtest.h>

#include "app/song_list_view.h"
#include "app_test_support.h"
#include "platform/inet.h"
#include "platform/media_player.h"
#include "playback/song_player.h"

namespace {

using sbtest::Button;
using sbtest::TestCatalogue;

class SongPlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestCatalogue::Get().server().ClearLog();
    window = sbtest::OpenMainWindow(&peers);
    ASSERT_NE(window, nullptr);
    list = window->Controls().listView1;
    command2 = window->Controls().command2;
    root = TestCatalogue::Get().Root();
    TestCatalogue::Get().server().ClearLog();
  }
  void TearDown() override {
    if (window) sbtest::CloseMainWindow(*window);
  }
  int Requests(const std::string& path) { return TestCatalogue::Get().server().CountRequests(path); }
  int AddressPageRequests() {
    int n = 0;
    for (const auto& p : TestCatalogue::Get().server().RequestedPaths())
      if (p.rfind("/wgns/url/", 0) == 0) ++n;
    return n;
  }
  void DoubleClickRow(int row) { sbtest::MouseClick(list, sbtest::Centre(sbtest::RowRect(list, row)), Button::Left, 2); }

  sbtest::RecordingPeers peers;
  std::unique_ptr<sb::MainWindow> window;
  HWND list = nullptr;
  HWND command2 = nullptr;
  std::wstring root;
};

TEST_F(SongPlaybackTest, DoubleClickPlaysRootPlusTheAddressPageBody) {
  DoubleClickRow(0);
  EXPECT_EQ(Requests("/wgns/url/101"), 1);
  EXPECT_EQ(window->Player().URL(), root + L"data/a.mp3");
  EXPECT_TRUE(IsWindowEnabled(command2));
  EXPECT_EQ(window->GDZ(), L"101") << "the double-click's own click chose the song";
  EXPECT_TRUE(sbtest::PumpUntil([&] { return Requests("/data/a.mp3") > 0; }, 5000)) << "the player fetches it";
}

TEST_F(SongPlaybackTest, ATrailingLineBreakOfTheBodyIsPassedOn) {
  DoubleClickRow(1);
  EXPECT_EQ(window->Player().URL(), root + L"data/b.mp3\r\n");
}

TEST_F(SongPlaybackTest, DoubleClickWithNoSelectedRowReplaysTheCurrentSong) {
  DoubleClickRow(0);
  ASSERT_EQ(window->Player().URL(), root + L"data/a.mp3");
  ASSERT_TRUE(sbtest::PumpUntil([&] { return Requests("/data/a.mp3") > 0; }, 5000));
  window->Player().Stop();
  sbtest::PumpFor(200);
  const std::wstring stopped = window->Player().Status();
  TestCatalogue::Get().server().ClearLog();
  window->DisableDownloadButton();
  sbtest::MouseClick(list, sbtest::BelowLastRow(list), Button::Left, 2);
  EXPECT_FALSE(sb::SelectedRow(list).has_value());
  EXPECT_EQ(AddressPageRequests(), 0);
  EXPECT_EQ(window->Player().URL(), root + L"data/a.mp3");
  EXPECT_TRUE(IsWindowEnabled(command2));
  EXPECT_TRUE(sbtest::PumpUntil([&] { return window->Player().Status() != stopped; }, 5000))
      << "play was requested again";
  EXPECT_EQ(sb::Form::GetText(window->Controls().lMedia), window->Player().Status());
}

TEST_F(SongPlaybackTest, PlayButtonResolvesTheSelectedSongAndLeavesTheDownloadButtonAlone) {
  sb::SelectRow(list, 3);
  window->DisableDownloadButton();
  SendMessageW(window->Controls().command4, BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowEnabled(command2));
  EXPECT_EQ(Requests("/wgns/url/104"), 1);
  EXPECT_EQ(window->Player().URL(), root + L"data/d.mp3");

  sb::SelectRow(list, -1);
  SendMessageW(window->Controls().command4, BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowEnabled(command2));
  EXPECT_EQ(AddressPageRequests(), 1) << "no row, no address page";
  EXPECT_EQ(window->Player().URL(), root + L"data/d.mp3");
}

TEST_F(SongPlaybackTest, PlayerNotificationsShowTheStatusAndEnableDownload) {
  window->DisableDownloadButton();
  window->Player().SetURL(root + L"data/c.mp3");
  ASSERT_TRUE(sbtest::PumpUntil([&] { return IsWindowEnabled(command2) != FALSE; }, 5000));
  sbtest::PumpFor(300);
  HWND lMedia = window->Controls().lMedia;
  std::wstring status = window->Player().Status();
  EXPECT_FALSE(status.empty());
  EXPECT_EQ(sb::Form::GetText(lMedia), status);
  RECT r;
  GetWindowRect(lMedia, &r);
  EXPECT_GT(r.right - r.left, 4) << "LMedia is sized to its text";
}

// A dropped connection and an empty address page both leave the player where it was.
TEST_F(SongPlaybackTest, AFailedAddressFetchKeepsThePlayersAddress) {
  TestCatalogue::Get().server().Route("/wgns/url/dropped", [](const sbtest::HttpRequest&, sbtest::HttpConnection& c) {
    c.Close();
  });
  TestCatalogue::Get().server().Route("/wgns/url/empty", [](const sbtest::HttpRequest&, sbtest::HttpConnection& c) {
    c.Respond(200, "", "text/plain");
  });
  window->Player().SetURL(root + L"data/a.mp3");
  sbtest::PumpFor(100);
  sb::Inet inet;
  for (const wchar_t* id : {L"dropped", L"empty"}) {
    EXPECT_FALSE(sb::ResolveAndPlay(inet, window->Player(), id)) << sbtest::Utf8(id);
    EXPECT_EQ(window->Player().URL(), root + L"data/a.mp3") << sbtest::Utf8(id);
  }
}

}  // namespace
