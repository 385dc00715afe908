// Desktop lyrics through the real main window, menu, player and sound device
// against the loopback catalogue: the menu items, the floating window, the
// line it shows as the song moves, locking, and what the settings file keeps.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "app/desktop_lyrics.h"
#include "app/song_list_view.h"
#include "app_test_support.h"
#include "audio_capture.h"
#include "platform/handles.h"
#include "platform/media_player.h"
#include "platform/user_settings.h"

namespace {

using sb::MenuForm;
using sb::PlayerState;
using sbtest::TestCatalogue;

// A title line, then line k at 2k seconds for k = 1..n.
std::wstring StampedLyrics(int n) {
  std::wstring text = L"[ti:测试歌词]\r\n";
  for (int k = 1; k <= n; ++k) {
    wchar_t stamp[16];
    swprintf(stamp, 16, L"[%02d:%02d.00]", 2 * k / 60, 2 * k % 60);
    text += stamp + std::wstring(L"第") + std::to_wstring(k) + L"行\r\n";
  }
  return text;
}

std::wstring Line(int k) { return L"第" + std::to_wstring(k) + L"行"; }

std::wstring WindowText(HWND hwnd) {
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  return text;
}

RECT WorkAreaOf(HWND hwnd) {
  MONITORINFO mi{sizeof(mi)};
  GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &mi);
  return mi.rcWork;
}

class DesktopLyricsTest : public ::testing::Test {
 protected:
  static constexpr char kFreshSettings[] = "[player]\r\ncontinuous=0\r\n";

  void SetUp() override {
    ini = sb::PerUserSettingsPath();
    ASSERT_FALSE(ini.empty());
    had = GetFileAttributesW(ini.c_str()) != INVALID_FILE_ATTRIBUTES;
    before = had ? sbtest::ReadFileBytes(ini) : std::string();
    CreateDirectoryW(ini.substr(0, ini.rfind(L'\\')).c_str(), nullptr);
    ASSERT_TRUE(sbtest::WriteFileBytes(ini, kFreshSettings));
    auto& server = TestCatalogue::Get().server();
    server.Serve("/lyrics/l0", sbtest::Gbk(StampedLyrics(20)), "text/plain");
    server.Serve("/data/a.mp3", sbtest::SineWav(8000, 60.0, 440), "audio/wav");
    ASSERT_TRUE(app.Open());
  }
  void TearDown() override {
    app.Close();
    if (had)
      sbtest::WriteFileBytes(ini, before);
    else
      DeleteFileW(ini.c_str());
    TestCatalogue::Get().server().Serve("/lyrics/l0", sbtest::Gbk(L"[00:01]第一行\r\n[00:02]第二行\r\n"),
                                        "text/plain");
  }
  sb::DesktopLyrics& lyrics() { return app.window->DeskLyrics(); }
  HWND list() const { return app.window->Controls().listView1; }
  // An item chosen by its letter from the song menu of a right-click on the list.
  void ChooseFromMenu(wchar_t letter) {
    sbtest::ChooseFromNextMenu(app.commands->Form2().hwnd(), letter);
    sbtest::MouseClick(list(), sbtest::Centre(sbtest::RowRect(list(), 0)), sbtest::Button::Right);
  }
  MenuForm& menu() { return app.commands->Form2(); }
  LONG_PTR ExStyle() const { return GetWindowLongPtrW(app.window->DeskLyrics().hwnd(), GWL_EXSTYLE); }
  // Plays row 0 (stamped lyrics, a 60 s song) and pauses it as soon as it plays.
  void PlayAndPause() {
    app.window->PlaySong(0);
    ASSERT_TRUE(sbtest::PumpUntil([&] { return app.window->Player().State() == PlayerState::Playing; }));
    app.window->Player().Pause();
    ASSERT_TRUE(sbtest::PumpUntil([&] { return !lyrics().Ticking(); }));
  }

  std::wstring ini;
  bool had = false;
  std::string before;
  sbtest::CommandedMainWindow app;
};

TEST_F(DesktopLyricsTest, MenuItemsFollowTheLyricsAndTheLock) {
  struct Step {
    wchar_t letter;
    bool on, locked, lockEnabled;
  };
  menu().RunItem(MenuForm::kMunLockLyrics);
  EXPECT_FALSE(lyrics().Locked()) << "greyed: does nothing";

  const Step steps[] = {{L'l', true, false, true},
                        {L'k', true, true, true},
                        {L'l', false, true, false},
                        {L'l', true, true, true},
                        {L'k', true, false, true}};
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << static_cast<char>(s.letter) << " -> on " << s.on << " locked " << s.locked);
    ChooseFromMenu(s.letter);
    EXPECT_EQ(lyrics().On(), s.on);
    EXPECT_EQ(lyrics().Locked(), s.locked);
    EXPECT_EQ(menu().Checked(MenuForm::kMunDesktopLyrics), s.on);
    EXPECT_EQ(menu().Checked(MenuForm::kMunLockLyrics), s.locked);
    EXPECT_EQ(menu().Enabled(MenuForm::kMunLockLyrics), s.lockEnabled);
    EXPECT_EQ(IsWindowVisible(lyrics().hwnd()) != FALSE, s.on);
    EXPECT_EQ((ExStyle() & WS_EX_TRANSPARENT) != 0, s.locked);
  }
}

TEST_F(DesktopLyricsTest, AFloatingToolWindowThatIsNeverActivatedAndOpaqueOnlyOnItsText) {
  lyrics().ChooseOn(true);
  HWND h = lyrics().hwnd();
  const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
  const DWORD wanted = WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  EXPECT_EQ(ExStyle() & wanted, static_cast<LONG_PTR>(wanted));
  EXPECT_FALSE(style & (WS_CHILD | WS_CAPTION | WS_THICKFRAME));
  EXPECT_EQ(GetParent(h), nullptr);
  EXPECT_NE(GetForegroundWindow(), h);
  EXPECT_EQ(SendMessageW(h, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCAPTION, WM_LBUTTONDOWN)),
            MA_NOACTIVATE);
  EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, 0), HTCLIENT) << "unlocked: there for the mouse";

  // No song yet: the program's name, opaque only within its text.
  EXPECT_EQ(lyrics().CurrentLine(), L"新歌音乐盒");
  EXPECT_EQ(WindowText(h), L"");
  const sb::LyricFrameRenderer& f = lyrics().Frame();
  const SIZE size = f.size();
  const RECT text = f.CurrentTextRect();
  sb::WindowDc screen = sb::WindowDc::Client(nullptr);
  const int outline = MulDiv(4, GetDeviceCaps(screen.get(), LOGPIXELSY), 96);
  int opaque = 0;
  for (int y = 0; y < size.cy; ++y) {
    for (int x = 0; x < size.cx; ++x) {
      const uint32_t alpha = f.pixels()[y * size.cx + x] >> 24;
      if (alpha == 0) continue;
      ++opaque;
      ASSERT_TRUE(x >= text.left - outline && x < text.right + outline && y >= text.top - outline &&
                  y < text.bottom + outline)
          << x << "," << y;
    }
  }
  EXPECT_GT(opaque, (text.right - text.left) * 4);
}

// The position is moved through the player's own seek, paused, so each line
// is known exactly; then the song plays on and the window follows by itself.
TEST_F(DesktopLyricsTest, TheWindowTextIsTheLineBeingSungAsTheSongMoves) {
  lyrics().ChooseOn(true);
  HWND h = lyrics().hwnd();
  PlayAndPause();
  const std::wstring title = sb::CellText(list(), 0, 0);
  sb::MediaPlayer& player = app.window->Player();
  for (int k : {1, 2, 3, 7, 5, 20}) {
    SCOPED_TRACE(k);
    player.Seek(2 * k + 0.5);
    EXPECT_EQ(WindowText(h), Line(k)) << "shown as the seek is asked for";
    EXPECT_EQ(lyrics().CurrentLine(), Line(k));
    EXPECT_EQ(lyrics().NextLine(), k < 20 ? Line(k + 1) : L"");
  }
  // Halfway between the stamps of lines 3 and 4: the left half of line 3 is sung.
  player.Seek(7.0);
  const sb::LyricFrameRenderer& f = lyrics().Frame();
  const int split = f.FillColumn(0.5);
  const RECT text = f.CurrentTextRect();
  int sung = 0, unsung = 0;
  for (int y = text.top; y < text.bottom; ++y) {
    for (int x = text.left; x < text.right; ++x) {
      const uint32_t p = f.pixels()[y * f.size().cx + x];
      if (p >> 24 != 255) continue;
      const uint32_t rgb = p & 0xFFFFFF;
      if (rgb == f.colours().sung) {
        ++sung;
        EXPECT_LT(x, split);
      } else if (rgb == f.colours().unsung) {
        ++unsung;
        EXPECT_GE(x, split);
      }
    }
  }
  EXPECT_GT(sung, 20);
  EXPECT_GT(unsung, 20);

  player.Seek(0.5);
  EXPECT_EQ(WindowText(h), L"") << "before the first stamp nothing is sung";
  EXPECT_EQ(lyrics().CurrentLine(), title);
  EXPECT_EQ(lyrics().NextLine(), Line(1));
  const int framesWhilePaused = lyrics().FramesPresented();
  sbtest::PumpFor(300);
  EXPECT_EQ(lyrics().FramesPresented(), framesWhilePaused) << "no frames while paused";

  player.Play();
  ASSERT_TRUE(sbtest::PumpUntil([&] { return WindowText(h) == Line(1); }, 10000));
  EXPECT_TRUE(lyrics().Ticking());
  ASSERT_TRUE(sbtest::PumpUntil([&] { return WindowText(h) == Line(2); }, 10000));
  const int framesAtLine2 = lyrics().FramesPresented();
  ASSERT_TRUE(sbtest::PumpUntil([&] { return WindowText(h) == Line(3); }, 10000));
  const int frames = lyrics().FramesPresented() - framesAtLine2;
  EXPECT_GT(frames, 5) << "the fill moves while a line is sung";
  EXPECT_LE(frames, 2000 / static_cast<int>(sb::DesktopLyrics::kFrameMs) + 5) << "at most one frame per tick";

  // Media keys: stop empties the line; the next song without stamps shows its title.
  PostMessageW(app.window->hwnd(), WM_APPCOMMAND, 0, MAKELPARAM(0, FAPPCOMMAND_KEY | APPCOMMAND_MEDIA_STOP));
  ASSERT_TRUE(sbtest::PumpUntil([&] { return player.State() == PlayerState::Stopped; }));
  EXPECT_EQ(WindowText(h), L"");
  EXPECT_EQ(lyrics().CurrentLine(), title);
  EXPECT_FALSE(lyrics().Ticking());
  PostMessageW(app.window->hwnd(), WM_APPCOMMAND, 0, MAKELPARAM(0, FAPPCOMMAND_KEY | APPCOMMAND_MEDIA_NEXTTRACK));
  ASSERT_TRUE(sbtest::PumpUntil([&] { return player.State() == PlayerState::Playing; }));
  EXPECT_EQ(lyrics().CurrentLine(), sb::CellText(list(), 1, 0));
  EXPECT_EQ(WindowText(h), L"");
  EXPECT_FALSE(lyrics().Ticking()) << "nothing to fill: no timer";
  player.Stop();
}

TEST_F(DesktopLyricsTest, LockedClicksGoThroughToTheWindowBeneath) {
  lyrics().ChooseOn(true);
  HWND h = lyrics().hwnd();
  // Over the main window, so something lies beneath it.
  RECT main{};
  GetWindowRect(app.window->hwnd(), &main);
  SetWindowPos(h, nullptr, main.left + 10, main.top + 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const RECT text = lyrics().Frame().CurrentTextRect();
  RECT r{};
  GetWindowRect(h, &r);
  const POINT on{r.left + (text.left + text.right) / 2, r.top + (text.top + text.bottom) / 2};
  EXPECT_EQ(WindowFromPoint(on), h);
  lyrics().ChooseLocked(true);
  EXPECT_NE(WindowFromPoint(on), h);
  EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, MAKELPARAM(on.x, on.y)), HTTRANSPARENT);
  const POINT client{(text.left + text.right) / 2, (text.top + text.bottom) / 2};
  SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
  EXPECT_FALSE(lyrics().Hover()) << "no hover while locked";
  lyrics().ChooseLocked(false);
  EXPECT_EQ(WindowFromPoint(on), h);
  SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
  EXPECT_TRUE(lyrics().Hover());
  EXPECT_GT(lyrics().Frame().pixels()[0] >> 24, 0u) << "a faint background under the mouse";
}

// A real drag through the system's input queue, from a point of its text.
void Drag(POINT from, POINT by) {
  const int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
  auto move = [&](POINT p) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(p.x, 65535, sx - 1);
    in.mi.dy = MulDiv(p.y, 65535, sy - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof(in));
  };
  auto button = [](DWORD flag) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flag;
    SendInput(1, &in, sizeof(in));
  };
  move(from);
  sbtest::PumpFor(50);
  button(MOUSEEVENTF_LEFTDOWN);
  for (int i = 1; i <= 4; ++i) {
    sbtest::PumpFor(30);
    move({from.x + by.x * i / 4, from.y + by.y * i / 4});
  }
  sbtest::PumpFor(30);
  button(MOUSEEVENTF_LEFTUP);
  sbtest::PumpFor(200);
}

TEST_F(DesktopLyricsTest, UnlockedItIsDraggedByItsTextAndKeepsThePlace) {
  lyrics().ChooseOn(true);
  HWND h = lyrics().hwnd();
  RECT before{};
  GetWindowRect(h, &before);
  const RECT text = lyrics().Frame().CurrentTextRect();
  Drag({before.left + (text.left + text.right) / 2, before.top + (text.top + text.bottom) / 2}, {-80, -60});
  RECT after{};
  GetWindowRect(h, &after);
  EXPECT_EQ(after.left - before.left, -80);
  EXPECT_EQ(after.top - before.top, -60);
  EXPECT_EQ(lyrics().Place().x, after.left);
  const std::string kept = sbtest::ReadFileBytes(ini);
  EXPECT_NE(kept.find("desktop_lyrics_x=" + std::to_string(after.left) + "\r\n"), std::string::npos) << kept;
  EXPECT_NE(GetForegroundWindow(), h) << "dragging does not activate it";
}

TEST_F(DesktopLyricsTest, OnLockAndPlaceAreKeptAcrossARestart) {
  ChooseFromMenu(L'l');
  HWND h = lyrics().hwnd();
  RECT first{}, placed{};
  GetWindowRect(h, &first);
  const RECT text = lyrics().Frame().CurrentTextRect();
  Drag({first.left + (text.left + text.right) / 2, first.top + (text.top + text.bottom) / 2}, {-100, -40});
  GetWindowRect(h, &placed);
  EXPECT_EQ(placed.left, first.left - 100);
  ChooseFromMenu(L'k');
  app.Close();
  const std::string kept = sbtest::ReadFileBytes(ini);
  EXPECT_EQ(kept.rfind(kFreshSettings, 0), 0u) << "the other lines stay: " << kept;
  ASSERT_TRUE(app.Open());
  EXPECT_TRUE(lyrics().On());
  EXPECT_TRUE(lyrics().Locked()) << kept;
  EXPECT_TRUE(IsWindowVisible(lyrics().hwnd()));
  EXPECT_TRUE(ExStyle() & WS_EX_TRANSPARENT);
  RECT r{};
  GetWindowRect(lyrics().hwnd(), &r);
  EXPECT_EQ(r.left, placed.left);
  EXPECT_EQ(r.top, placed.top);
  EXPECT_TRUE(menu().Checked(MenuForm::kMunDesktopLyrics));
  EXPECT_TRUE(menu().Checked(MenuForm::kMunLockLyrics));

  ChooseFromMenu(L'l');
  app.Close();
  ASSERT_TRUE(app.Open());
  EXPECT_FALSE(lyrics().On());
  EXPECT_FALSE(IsWindowVisible(lyrics().hwnd()));
}

TEST_F(DesktopLyricsTest, APlaceOffEveryMonitorComesBackToTheBottomCentreOfTheWorkArea) {
  for (const char* place : {"", "desktop_lyrics_x=-30000\r\ndesktop_lyrics_y=-30000\r\n"}) {
    SCOPED_TRACE(place);
    app.Close();
    ASSERT_TRUE(sbtest::WriteFileBytes(ini, std::string(kFreshSettings) + "desktop_lyrics=1\r\n" + place));
    ASSERT_TRUE(app.Open());
    ASSERT_TRUE(lyrics().On());
    const RECT work = WorkAreaOf(app.window->hwnd());
    RECT r{};
    GetWindowRect(lyrics().hwnd(), &r);
    EXPECT_EQ((r.left + r.right) / 2, (work.left + work.right) / 2);
    EXPECT_EQ(r.bottom, work.bottom);
  }
}

}  // namespace
