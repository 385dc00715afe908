// SongBox against the real catalogue server, or nginx serving its export,
// over the demo library: list, lyrics, cover, play and download, and a FLAC
// song played as the MP3 made of it. The script catalogue_e2e.sh starts the
// server (without its background fill, so a song is transcoded while it
// streams) and sets SONGBOX_ROOT.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "app/main_window_song_host.h"
#include "app_test_support.h"
#include "audio_capture.h"
#include "download/download_window.h"
#include "platform/form.h"
#include "app/song_commands.h"

namespace {

using sbtest::Button;

// The demo library's newest song: its title and singer hold characters that
// GBK lacks (U+1F3B5 and U+20BB7), sent as GB18030's four-byte forms.
constexpr wchar_t kTitle[] = L"星光\u3000\U0001F3B5";
constexpr wchar_t kSinger[] = L"王\U00020BB7";
constexpr int kDemoSongs = 43;  // 36 tunes, the newest song, 3 FLAC, 2 Ogg and a GBK-tagged MP3
constexpr wchar_t kFlacTitle[] = L"微光";
constexpr double kDeviceRate = 96000;  // the MP3s made of other formats: 48 kHz stereo, read as mono

// Loads the main window over SONGBOX_ROOT until its song list has arrived.
bool Open(sb::MainWindow& window) {
  if (sbtest::EnvW(L"SONGBOX_ROOT").empty() || !window.Load()) return false;
  SetWindowPos(window.hwnd(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
  SetForegroundWindow(window.hwnd());
  return sbtest::PumpUntil([&] { return window.StartupLoadDone(); }, 30000);
}

TEST(CatalogueEndToEnd, ListLyricsCoverPlayAndDownload) {
  const std::wstring root = sbtest::EnvW(L"SONGBOX_ROOT");
  auto window = std::make_unique<sb::MainWindow>();
  sb::MainWindowSongHost host(*window);
  sb::SongCommands commands(host);
  window->SetPeers(&commands);
  ASSERT_TRUE(Open(*window)) << "run through catalogue_e2e.sh";
  HWND list = window->Controls().listView1;

  auto titles = sbtest::ColumnTexts(list, 0);
  ASSERT_EQ(titles.size(), static_cast<size_t>(kDemoSongs));
  EXPECT_EQ(titles[0], kTitle);
  EXPECT_EQ(sbtest::ColumnTexts(list, 3)[0], kSinger);
  EXPECT_EQ(sbtest::ColumnTexts(list, 1)[0], std::wstring(kSinger) + L"-" + kTitle);

  sbtest::MouseClick(list, sbtest::Centre(sbtest::RowRect(list, 0)), Button::Left);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return window->GDZ() == sbtest::ColumnTexts(list, 2)[0]; }));
  EXPECT_EQ(sb::Form::GetText(window->Controls().geci).rfind(L"[ti:星光 \U0001F3B5]\r\n[ar:王\U00020BB7]\r\n[00:01.00]", 0), 0u);
  EXPECT_NE(window->CoverPicture(), nullptr);

  sbtest::MouseClick(list, sbtest::Centre(sbtest::RowRect(list, 0)), Button::Left, 2);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return window->Player().URL().rfind(root + L"media/", 0) == 0; }));
  ASSERT_TRUE(sbtest::PumpUntil([&] { return window->Player().DurationSeconds() > 10; }, 20000))
      << "the player reads the song";

  const std::wstring target = sb::DownloadWindow::DownMusicFolder() + L"\\" + window->GMZ();
  DeleteFileW(target.c_str());
  SendMessageW(window->Controls().command2, BM_CLICK, 0, 0);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return commands.Down() == nullptr; }, 30000));
  const std::string song = sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\library\\王\U00020BB7\\xingguang.mp3");
  ASSERT_GT(song.size(), 100000u);
  EXPECT_EQ(sbtest::ReadFileBytes(target), song);
  DeleteFileW(target.c_str());
  sbtest::CloseMainWindow(*window);
}

TEST(CatalogueEndToEnd, AFlacSongPlaysAsTheMp3MadeOfIt) {
  sb::MainWindow window;
  ASSERT_TRUE(Open(window)) << "run through catalogue_e2e.sh";
  const auto titles = sbtest::ColumnTexts(window.Controls().listView1, 0);
  const auto row = std::find(titles.begin(), titles.end(), kFlacTitle) - titles.begin();
  ASSERT_LT(row, std::ssize(titles));
  window.PlaySong(static_cast<int>(row));
  sb::MediaPlayer& player = window.Player();
  ASSERT_TRUE(sbtest::PumpUntil([&] { return player.URL().ends_with(L".flac.mp3"); })) << player.URL();
  ASSERT_TRUE(sbtest::PumpUntil([&] { return player.PositionSeconds() > 1; }, 30000)) << player.Status();
  EXPECT_GT(player.DurationSeconds(), 10);
  EXPECT_GT(sbtest::AnalyseTone(sbtest::CapturedSamples(), kDeviceRate).seconds, 0.5) << "heard";
  player.Stop();
  sbtest::CloseMainWindow(window);
}

}  // namespace
