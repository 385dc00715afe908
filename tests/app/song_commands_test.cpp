#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>

#include "app/main_window_song_host.h"
#include "app/song_list_view.h"
#include "app_test_support.h"
#include "download/download_window.h"
#include "platform/media_player.h"
#include "app/song_commands.h"
#include "window/cool_scrollbars.h"

namespace {

using sbtest::Button;
using sbtest::ChooseFromNextMenu;
using sbtest::HttpConnection;
using sbtest::HttpRequest;
using sbtest::TestCatalogue;

int ThreadCount() {
  sb::UniqueFile snap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snap) return -1;
  THREADENTRY32 te{sizeof te};
  int n = 0;
  for (BOOL ok = Thread32First(snap.get(), &te); ok; ok = Thread32Next(snap.get(), &te))
    if (te.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  return n;
}

std::string Narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

bool AnyWindowTitled(const wchar_t* title) {
  struct Ctx {
    const wchar_t* title;
    bool found;
  } ctx{title, false};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM lp) {
        auto* c = reinterpret_cast<Ctx*>(lp);
        if (sb::Form::GetText(h) == c->title) c->found = true;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

class SongCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestCatalogue::Get().server().ClearLog();
    ASSERT_TRUE(app.Open());
    list = window->Controls().listView1;
    command2 = window->Controls().command2;
    root = TestCatalogue::Get().Root();
  }
  void TearDown() override {
    app.Close();
    sbtest::PumpFor(50);
    std::wstring folder = sb::DownloadWindow::DownMusicFolder();
    for (const wchar_t* f : {L"\\a.mp3", L"\\b.mp3", L"\\c.mp3", L"\\d.mp3"}) DeleteFileW((folder + f).c_str());
  }
  int Requests(const std::string& path) { return TestCatalogue::Get().server().CountRequests(path); }
  void ClickRow(int row) { sbtest::MouseClick(list, sbtest::Centre(sbtest::RowRect(list, row)), Button::Left); }
  void RightClickRow(int row) { sbtest::MouseClick(list, sbtest::Centre(sbtest::RowRect(list, row)), Button::Right); }
  int Rows() { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

  sbtest::CommandedMainWindow app;
  std::unique_ptr<sb::MainWindow>& window = app.window;
  std::unique_ptr<sb::SongCommands>& commands = app.commands;
  HWND list = nullptr, command2 = nullptr;
  std::wstring root;
};

TEST_F(SongCommandsTest, TheMenuShowsItsItemsWithTheirKeyHints) {
  HMENU menu = commands->Form2().MunFile();
  ASSERT_NE(menu, nullptr);
  const wchar_t* expected[] = {L"刷新(&R)\tF5", L"播放(&P)\tF8", L"下载(&D)\tF4", L"",
                               L"连续播放(&C)", L"桌面歌词(&L)", L"锁定桌面歌词(&K)"};
  ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(std::size(expected)));
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, expected[i]);
  }
  EXPECT_TRUE(GetMenuState(menu, 3, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_FALSE(GetMenuState(menu, 4, MF_BYPOSITION) & MF_CHECKED) << "play-through is off at start";
  EXPECT_TRUE(GetMenuState(menu, 6, MF_BYPOSITION) & MF_GRAYED) << "no lock while the lyrics are off";
  EXPECT_FALSE(IsWindowVisible(commands->Form2().hwnd())) << "Form2 is never shown";
  EXPECT_EQ(sb::Form::GetText(commands->Form2().hwnd()), L"Form2");
}

// Real key presses through the main loop: F5, F8 and F4 do what the menu's
// items do (F4 only while its item is enabled); Enter plays the selected row.
TEST_F(SongCommandsTest, TheMenuKeysAndEnterWorkInTheMainWindow) {
  const int songs = Rows();
  ClickRow(1);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return window->GDZ() == sb::CellText(list, 1, 2); }));
  ASSERT_EQ(GetFocus(), list);
  TestCatalogue::Get().server().ClearLog();

  sbtest::PressKey(*window, VK_F5);
  EXPECT_EQ(Rows(), 2 * songs);
  sbtest::PressKey(*window, VK_F8);
  EXPECT_EQ(Requests("/wgns/url/" + Narrow(window->GDZ())), 1);
  EXPECT_EQ(window->Player().URL().rfind(root + L"data/", 0), 0u) << "root + the address page body";

  std::atomic<bool> release{false};
  TestCatalogue::Get().server().Route("/held/keys.mp3", [&](const HttpRequest&, HttpConnection& c) {
    for (int i = 0; i < 500 && !release; ++i) Sleep(10);
    c.Close();
  });
  window->Player().SetURL(root + L"held/keys.mp3");
  commands->Form2().SetMunDownEnabled(false);
  sbtest::PressKey(*window, VK_F4);
  EXPECT_EQ(commands->Down(), nullptr) << "F4 does nothing while 下载(&D) is disabled";
  commands->Form2().SetMunDownEnabled(true);
  sbtest::PressKey(*window, VK_F4);
  ASSERT_NE(commands->Down(), nullptr);
  EXPECT_FALSE(IsWindowEnabled(command2));
  EXPECT_FALSE(commands->Form2().MunDownEnabled());
  window->Player().Stop();
  commands->CloseDownloadWindow();
  release = true;

  ClickRow(3);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return window->GDZ() == sb::CellText(list, 3, 2); }));
  TestCatalogue::Get().server().ClearLog();
  sbtest::PressKey(*window, VK_RETURN);
  EXPECT_EQ(Requests("/wgns/url/" + Narrow(sb::CellText(list, 3, 2))), 1);
  EXPECT_EQ(Rows(), 2 * songs);
}

TEST_F(SongCommandsTest, MenuPlayPlaysTheLastClickedSongNotTheRowUnderTheMouse) {
  ClickRow(1);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return window->GDZ() == sb::CellText(list, 1, 2); }));
  std::wstring gdz = window->GDZ();
  std::string page = "/wgns/url/" + std::string(gdz.begin(), gdz.end());
  TestCatalogue::Get().server().ClearLog();

  ChooseFromNextMenu(commands->Form2().hwnd(), L'p');
  RightClickRow(3);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return Requests(page) == 1; }, 5000));
  EXPECT_EQ(window->GDZ(), gdz);
  const std::map<std::wstring, std::wstring> bodies = {
      {L"101", L"data/a.mp3"}, {L"102", L"data/b.mp3\r\n"}, {L"103", L"data/c.mp3"}, {L"104", L"data/d.mp3"}};
  ASSERT_TRUE(bodies.count(gdz));
  EXPECT_EQ(window->Player().URL(), root + bodies.at(gdz));
}

TEST_F(SongCommandsTest, MenuPlayBeforeAnyClickFetchesTheBareAddressPage) {
  EXPECT_EQ(window->GDZ(), L"");
  commands->MunPlay_Click();
  EXPECT_EQ(Requests("/wgns/url/"), 1);
}

TEST_F(SongCommandsTest, MenuRefreshTwiceListsEverySongThreeTimesWithTheSameScrollBars) {
  int songs = Rows();
  ASSERT_GT(songs, 0);
  const sb::cCoolScrollbars* bars = window->ScrollBars().Scrollbars();
  ASSERT_NE(bars, nullptr);
  const HWND corner = bars->CornerWindow();
  commands->MunR_Click();
  commands->MunR_Click();
  EXPECT_EQ(Rows(), 3 * songs);
  EXPECT_EQ(window->ScrollBars().Scrollbars(), bars);
  EXPECT_TRUE(IsWindow(corner)) << "the scroll bar object and its windows are kept";
  EXPECT_FALSE(IsWindowEnabled(command2));
  EXPECT_TRUE(IsWindowEnabled(window->Controls().command1));
}

TEST_F(SongCommandsTest, DownloadDisablesBothCommandsUntilTheWindowCompletes) {
  std::string tone = sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\media\\tone1k.mp3");
  std::atomic<bool> release{false};
  TestCatalogue::Get().server().Route("/held/tone.mp3", [&](const HttpRequest&, HttpConnection& c) {
    for (int i = 0; i < 500 && !release; ++i) Sleep(10);
    c.Respond(200, tone, "audio/mpeg");
  });
  ClickRow(0);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return !window->GMZ().empty(); }));
  std::wstring target = sb::DownloadWindow::DownMusicFolder() + L"\\" + window->GMZ();
  window->Player().SetURL(root + L"held/tone.mp3");

  SendMessageW(command2, BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowEnabled(command2));
  EXPECT_FALSE(commands->Form2().MunDownEnabled());
  ASSERT_NE(commands->Down(), nullptr);
  EXPECT_TRUE(AnyWindowTitled(L"歌曲下载"));

  // A song click brings the button back but not the menu item.
  ClickRow(2);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return IsWindowEnabled(command2) != FALSE; }));
  EXPECT_FALSE(commands->Form2().MunDownEnabled());

  release = true;
  ASSERT_TRUE(sbtest::PumpUntil([&] { return commands->Down() == nullptr; }, 20000));
  EXPECT_TRUE(IsWindowEnabled(command2));
  EXPECT_TRUE(commands->Form2().MunDownEnabled());
  EXPECT_EQ(sbtest::ReadFileBytes(target), tone) << "saved under the name of the song clicked when it opened";
}

TEST_F(SongCommandsTest, OpeningTheDownloadWindowAgainOnlyBringsItForward) {
  std::atomic<bool> release{false};
  TestCatalogue::Get().server().Route("/held/slow.mp3", [&](const HttpRequest&, HttpConnection& c) {
    for (int i = 0; i < 500 && !release; ++i) Sleep(10);
    c.Close();
  });
  window->Player().SetURL(root + L"held/slow.mp3");
  ASSERT_TRUE(sbtest::PumpUntil([&] { return Requests("/held/slow.mp3") == 1; }, 5000));
  commands->DownloadCommand();
  ASSERT_TRUE(sbtest::PumpUntil([&] { return Requests("/held/slow.mp3") == 2; }, 5000));
  sb::DownloadWindow* first = commands->Down();
  ASSERT_NE(first, nullptr);
  commands->DownloadCommand();
  commands->MunDown_Click();
  sbtest::PumpFor(300);
  EXPECT_EQ(commands->Down(), first);
  EXPECT_EQ(Requests("/held/slow.mp3"), 2) << "no second load, no second request";
  window->Player().Stop();
  commands->CloseDownloadWindow();
  release = true;
}

TEST_F(SongCommandsTest, ClosingTheMainWindowWithNoDownloadWindowCreatesNone) {
  static int created;
  created = 0;
  HHOOK hook = SetWindowsHookExW(
      WH_CBT,
      [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
        if (code == HCBT_CREATEWND) {
          const auto* cs = reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs;
          if (cs->lpszName && !IS_INTRESOURCE(cs->lpszName) && lstrcmpW(cs->lpszName, L"歌曲下载") == 0) ++created;
        }
        return CallNextHookEx(nullptr, code, wp, lp);
      },
      nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  ASSERT_EQ(commands->Down(), nullptr);
  sbtest::CloseMainWindow(*window);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(created, 0);
  EXPECT_EQ(commands->Down(), nullptr);
}

TEST_F(SongCommandsTest, ClosingTheMainWindowMidDownloadLeavesNoWindowThreadOrFile) {
  sbtest::PumpFor(300);
  int threadsBefore = ThreadCount();
  std::atomic<bool> release{false};
  std::string big(3 * 1024 * 1024, 'x');
  TestCatalogue::Get().server().Route("/held/big.mp3", [&](const HttpRequest&, HttpConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(big.size()) + "\r\nConnection: close\r\n\r\n");
    c.Send(std::string_view(big).substr(0, 100000));
    for (int i = 0; i < 1000 && !release; ++i) Sleep(10);
    c.Close();
  });
  ClickRow(0);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return !window->GMZ().empty(); }));
  std::wstring target = sb::DownloadWindow::DownMusicFolder() + L"\\" + window->GMZ();
  DeleteFileW(target.c_str());
  commands->Form2();  // the menu form exists, so closing it is exercised too
  window->Player().SetURL(root + L"held/big.mp3");
  ASSERT_TRUE(sbtest::PumpUntil([&] { return Requests("/held/big.mp3") == 1; }, 5000));
  commands->DownloadCommand();
  ASSERT_NE(commands->Down(), nullptr);
  ASSERT_TRUE(sbtest::PumpUntil([&] { return commands->Down()->ContentLength() == 3 * 1024 * 1024; }, 5000))
      << "the transfer is under way";
  sbtest::CloseMainWindow(*window);
  EXPECT_EQ(commands->Down(), nullptr);
  EXPECT_FALSE(AnyWindowTitled(L"歌曲下载"));
  EXPECT_FALSE(commands->HasForm2());
  release = true;
  EXPECT_TRUE(sbtest::PumpUntil([&] { return ThreadCount() <= threadsBefore; }, 10000))
      << ThreadCount() << " threads, " << threadsBefore << " before";
  EXPECT_EQ(sbtest::ReadFileBytes(target), "");
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW((sb::DownloadWindow::DownMusicFolder() + L"\\sbd*").c_str(), &fd);
  EXPECT_EQ(f, INVALID_HANDLE_VALUE) << "no temporary file is left";
  if (f != INVALID_HANDLE_VALUE) FindClose(f);
}

}  // namespace
