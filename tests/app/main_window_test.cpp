#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "app/song_list_view.h"
#include "app_test_support.h"
#include "platform/form.h"
#include "platform/handles.h"

namespace {

using sbtest::Button;
using sbtest::DemoSongs;
using sbtest::TestCatalogue;

std::vector<std::wstring> PageTitles(int times) {
  std::vector<std::wstring> out;
  for (int t = 0; t < times; ++t)
    for (const auto& s : DemoSongs()) out.push_back(s.title);
  return out;
}

bool Enabled(HWND h) { return IsWindowEnabled(h) != FALSE; }

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestCatalogue::Get().failRootPage = false;
    TestCatalogue::Get().duringRootPage = nullptr;
    TestCatalogue::Get().server().ClearLog();
  }
  void TearDown() override {
    if (window) sbtest::CloseMainWindow(*window);
    TestCatalogue::Get().duringRootPage = nullptr;
  }
  void Open() {
    window = sbtest::OpenMainWindow(&peers);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->StartupLoadDone());
    list = window->Controls().listView1;
  }
  int Requests(const std::string& path) { return TestCatalogue::Get().server().CountRequests(path); }

  sbtest::RecordingPeers peers;
  std::unique_ptr<sb::MainWindow> window;
  HWND list = nullptr;
};

// Start-up and the list load

TEST_F(MainWindowTest, StartupFillsTheListOnceInPageOrderWithTheRecordInItsColumns) {
  Open();
  EXPECT_EQ(sbtest::ColumnTexts(list, 0), PageTitles(1));
  const auto& songs = DemoSongs();
  for (int i = 0; i < static_cast<int>(songs.size()); ++i) {
    EXPECT_EQ(sb::CellText(list, i, 1), songs[i].file);
    EXPECT_EQ(sb::CellText(list, i, 2), songs[i].id);
    EXPECT_EQ(sb::CellText(list, i, 3), songs[i].singer);
    EXPECT_EQ(sb::CellText(list, i, 6), songs[i].picture);
    EXPECT_EQ(sb::CellText(list, i, 7), songs[i].lyrics);
    EXPECT_EQ(sb::CellText(list, i, 9), songs[i].total);
  }
  const auto& c = window->Controls();
  EXPECT_TRUE(Enabled(c.command1));
  EXPECT_TRUE(Enabled(c.command3));
  EXPECT_FALSE(Enabled(c.command2)) << "下载音乐 waits for a song to be chosen";
  EXPECT_FALSE(IsWindowVisible(c.p1));
  EXPECT_EQ(sb::Form::GetText(c.text1).substr(0, 4), L"101 ");
  sbtest::PumpFor(200);
  EXPECT_EQ(Requests("/"), 1) << "Timer1 runs once";
}

TEST_F(MainWindowTest, JiaZaiMakesTenReportColumnsSizedFromTheListWidth) {
  Open();
  EXPECT_EQ(GetWindowLongPtrW(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 10);
  const wchar_t* titles[] = {L"歌曲", L"文件", L"专辑", L"歌手", L"出品", L"发布时间", L"图片", L"歌词", L"日听", L"总听"};
  const double divisors[] = {4, 0, 0, 4, 8, 7.3, 0, 0, 10, 9.5};
  RECT r;
  GetWindowRect(list, &r);
  double w = sb::PixelsToTwips(r.right - r.left);
  for (int i = 0; i < 10; ++i) {
    wchar_t text[32] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    col.pszText = text;
    col.cchTextMax = 32;
    ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&col)));
    EXPECT_STREQ(text, titles[i]);
    double twips = divisors[i] == 0 ? 1 : w / divisors[i];
    EXPECT_NEAR(col.cx, twips * sb::SystemDpi() / 1440.0, 0.51) << titles[i];
    if (i == 6 || i == 7) {
      EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_CENTER);
    }
  }
  EXPECT_NEAR(sb::ColumnWidthPixels(0, 8895), 2224 * sb::SystemDpi() / 1440.0, 0.51);
  EXPECT_EQ(sb::ColumnWidthPixels(1, 8895), 0) << "one twip is less than a pixel";
}

TEST_F(MainWindowTest, WaitPanelCoversTheListAndPaintsWhileThePageIsFetched) {
  struct Seen {
    std::atomic<bool> visible{false};
    RECT panel{}, list{};
    COLORREF pixel = CLR_INVALID;
    std::atomic<bool> command1Enabled{true};
  } seen;
  Open();
  const auto c = window->Controls();
  TestCatalogue::Get().duringRootPage = [&] {
    Sleep(400);
    seen.visible = IsWindowVisible(c.p1) != FALSE;
    GetWindowRect(c.p1, &seen.panel);
    GetWindowRect(c.listView1, &seen.list);
    seen.command1Enabled = IsWindowEnabled(c.command1) != FALSE;
    sb::WindowDc screen = sb::WindowDc::Client(nullptr);
    seen.pixel = GetPixel(screen.get(), seen.panel.left + 4, seen.panel.top + 4);
  };
  SendMessageW(c.command1, BM_CLICK, 0, 0);
  TestCatalogue::Get().duringRootPage = nullptr;
  EXPECT_TRUE(seen.visible);
  EXPECT_TRUE(EqualRect(&seen.panel, &seen.list));
  EXPECT_FALSE(seen.command1Enabled);
  EXPECT_EQ(seen.pixel, RGB(128, 255, 255)) << "the panel paints during the blocking fetch";
  RECT label;
  GetWindowRect(c.label2, &label);
  EXPECT_EQ(label.right - label.left, seen.panel.right - seen.panel.left);
  int panelHeight = seen.panel.bottom - seen.panel.top, labelHeight = label.bottom - label.top;
  EXPECT_EQ(label.top - seen.panel.top, (panelHeight - labelHeight) / 2);
  EXPECT_EQ(sb::Form::GetText(c.label2), L"更新中，请稍后……");
  EXPECT_FALSE(IsWindowVisible(c.p1));
}

TEST_F(MainWindowTest, EachUpdateAppendsTheWholeListAgain) {
  Open();
  const auto& c = window->Controls();
  SendMessageW(c.command1, BM_CLICK, 0, 0);
  EXPECT_EQ(sbtest::ColumnTexts(list, 0), PageTitles(2));
  window->RunListLoad(false);
  EXPECT_EQ(sbtest::ColumnTexts(list, 0), PageTitles(3));
  EXPECT_EQ(Requests("/"), 3);
}

TEST_F(MainWindowTest, FailingFetchShowsTheBusyMessageAndStillRestoresTheButtons) {
  Open();
  const auto& c = window->Controls();
  window->EnableDownloadButton();
  TestCatalogue::Get().failRootPage = true;
  sbtest::MessageBoxAnswerer answerer;
  SendMessageW(c.command1, BM_CLICK, 0, 0);
  ASSERT_EQ(answerer.count(), 1);
  EXPECT_EQ(answerer.seen()[0].title, L"错误");
  EXPECT_EQ(answerer.seen()[0].text, L"对不起，正在执行当中，请稍候……");
  EXPECT_EQ(sbtest::ColumnTexts(list, 0), PageTitles(2)) << "the previous text is loaded again";
  EXPECT_TRUE(Enabled(c.command1));
  EXPECT_TRUE(Enabled(c.command3));
  EXPECT_FALSE(Enabled(c.command2));
  EXPECT_FALSE(IsWindowVisible(c.p1));
}

// Sorting

TEST_F(MainWindowTest, HeaderClicksFlipOneDirectionAndCompareAsText) {
  Open();
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  auto clickHeader = [&](int column) {
    RECT r{};
    SendMessageW(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&r));
    sbtest::MouseClick(header, sbtest::Centre(r), Button::Left);
  };
  EXPECT_TRUE(window->Sorter().ascending());
  clickHeader(0);
  EXPECT_EQ(sbtest::ColumnTexts(list, 0), (std::vector<std::wstring>{L"Delta", L"Charlie", L"Bravo", L"Alpha"}));
  EXPECT_FALSE(window->Sorter().ascending());
  clickHeader(9);
  EXPECT_TRUE(window->Sorter().ascending());
  EXPECT_EQ(window->Sorter().sortColumn(), 9);
  EXPECT_EQ(sbtest::ColumnTexts(list, 9), (std::vector<std::wstring>{L"10", L"100", L"9", L"99"}));
  EXPECT_EQ(sbtest::ColumnTexts(list, 0), (std::vector<std::wstring>{L"Alpha", L"Charlie", L"Delta", L"Bravo"}));
  // Rows stay whole: each title keeps its own id.
  for (int i = 0; i < 4; ++i) {
    for (const auto& s : DemoSongs()) {
      if (s.title == sb::CellText(list, i, 0)) {
        EXPECT_EQ(sb::CellText(list, i, 2), s.id);
      }
    }
  }
  // No automatic sorting afterwards: a reload appends in page order.
  window->RunListLoad(false);
  auto titles = sbtest::ColumnTexts(list, 0);
  EXPECT_EQ(std::vector<std::wstring>(titles.begin() + 4, titles.end()), PageTitles(1));
}

TEST(ListSorting, EqualKeysKeepTheirOrder) {
  sb::Form form;
  ASSERT_TRUE(form.CreateForm({L"sort", 6000, 3000}));
  HWND lv = form.AddControl({WC_LISTVIEWW, L"", 0, 0, 6000, 3000, LVS_REPORT});
  sb::JiaZai(lv);
  const wchar_t* rows[][2] = {{L"b", L"1"}, {L"a", L"2"}, {L"b", L"3"}, {L"a", L"4"}, {L"B", L"5"}};
  for (int i = 0; i < 5; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(rows[i][0]);
    SendMessageW(lv, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    LVITEMW sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<wchar_t*>(rows[i][1]);
    SendMessageW(lv, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&sub));
  }
  ASSERT_TRUE(sb::SortRows(lv, 0, true));
  EXPECT_EQ(sbtest::ColumnTexts(lv, 1), (std::vector<std::wstring>{L"2", L"4", L"1", L"3", L"5"}));
  ASSERT_TRUE(sb::SortRows(lv, 0, false));
  EXPECT_EQ(sbtest::ColumnTexts(lv, 1), (std::vector<std::wstring>{L"1", L"3", L"5", L"2", L"4"}));
}

// Mouse buttons on the list

// Presses (or releases) the right button at a client point of `hwnd`, through the input queue.
void RightButton(HWND hwnd, POINT client, DWORD flag) {
  ClientToScreen(hwnd, &client);
  SetCursorPos(client.x, client.y);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flag;
  sbtest::SendInputAndWait({in});
}

TEST_F(MainWindowTest, RightButtonOpensTheSongMenuOnThePressAnywhereInTheList) {
  Open();
  POINT onRow = sbtest::Centre(sbtest::RowRect(list, 1));
  RightButton(list, onRow, MOUSEEVENTF_RIGHTDOWN);
  ASSERT_EQ(peers.menus, 1) << "the menu opens while the button is still held";
  POINT expected = onRow;
  ClientToScreen(list, &expected);
  EXPECT_EQ(peers.lastMenu.x, expected.x);
  EXPECT_EQ(peers.lastMenu.y, expected.y);
  RightButton(list, onRow, MOUSEEVENTF_RIGHTUP);
  EXPECT_EQ(peers.menus, 1) << "the release opens no second menu";
  sbtest::MouseClick(list, sbtest::BelowLastRow(list), Button::Right);
  EXPECT_EQ(peers.menus, 2);
  sbtest::MouseClick(list, onRow, Button::Left);
  sbtest::MouseClick(list, sbtest::BelowLastRow(list), Button::Middle);
  sbtest::MouseClick(list, onRow, Button::Middle);
  EXPECT_EQ(peers.menus, 2);
}

// A click on a song

TEST_F(MainWindowTest, ClickShowsLyricsCoverProgressAndHandsTheSongOver) {
  Open();
  const auto& c = window->Controls();
  EXPECT_EQ(window->CoverPicture(), nullptr);
  EXPECT_FALSE(IsWindowVisible(c.image1));
  sbtest::MouseClick(list, sbtest::Centre(sbtest::RowRect(list, 0)), Button::Left);
  EXPECT_EQ(sb::Form::GetText(c.geci), L"[00:01]第一行\r\n[00:02]第二行\r\n");
  EXPECT_NE(window->CoverPicture(), nullptr);
  EXPECT_TRUE(IsWindowVisible(c.image1));
  EXPECT_EQ(sb::Form::GetText(c.singerInfo), L"获取完成Delta");
  EXPECT_EQ(window->GMZ(), L"f101.mp3");
  EXPECT_EQ(window->GDZ(), L"101");
  EXPECT_TRUE(Enabled(c.command2));
  EXPECT_EQ(Requests("/lyrics/l0"), 1);
  EXPECT_EQ(Requests("/cover/c0"), 1);
  // The same row again (a single click, not a double-click) fetches both again.
  sbtest::PumpFor(static_cast<int>(GetDoubleClickTime()) + 50);
  sbtest::MouseClick(list, sbtest::Centre(sbtest::RowRect(list, 0)), Button::Left);
  EXPECT_EQ(Requests("/lyrics/l0"), 2);
  EXPECT_EQ(Requests("/cover/c0"), 2);

  // The cover is painted stretched over the whole box.
  RECT box;
  GetWindowRect(c.image1, &box);
  sb::WindowDc screen = sb::WindowDc::Client(nullptr);
  COLORREF corner = GetPixel(screen.get(), box.left + 2, box.top + 2);
  // The cover's white ring, a third of the way from the centre to the right edge.
  COLORREF ring = GetPixel(screen.get(), (box.left + box.right) / 2 + (box.right - box.left) / 6,
                           (box.top + box.bottom) / 2);
  EXPECT_NE(corner, GetSysColor(COLOR_BTNFACE));
  EXPECT_GT(GetRValue(ring) + GetGValue(ring) + GetBValue(ring), 600);
}

TEST_F(MainWindowTest, ACoverThatIsNoPictureKeepsTheOldCoverAndLinefeedLyricsBreakLines) {
  Open();
  const auto& c = window->Controls();
  window->ClickSong(1);
  IPicture* first = window->CoverPicture();
  ASSERT_NE(first, nullptr);
  window->ClickSong(2);
  EXPECT_EQ(window->CoverPicture(), first);
  EXPECT_EQ(Requests("/cover/bad"), 1);
  EXPECT_EQ(sb::Form::GetText(c.singerInfo), L"获取完成Charlie");
  EXPECT_EQ(sb::Form::GetText(c.geci), L"line one\r\nline two\r\nline three\r\n");
  EXPECT_EQ(SendMessageW(c.geci, EM_GETLINECOUNT, 0, 0), 4);
  EXPECT_EQ(window->GDZ(), L"103");
}

TEST_F(MainWindowTest, ClickWithNoSelectedRowOnlyEnablesTheButtonAndShowsProgress) {
  Open();
  const auto& c = window->Controls();
  window->ClickSong(3);
  std::wstring lyrics = sb::Form::GetText(c.geci);
  IPicture* cover = window->CoverPicture();
  TestCatalogue::Get().server().ClearLog();
  window->DisableDownloadButton();
  sbtest::MouseClick(list, sbtest::BelowLastRow(list), Button::Left);
  EXPECT_FALSE(sb::SelectedRow(list).has_value());
  EXPECT_TRUE(Enabled(c.command2));
  EXPECT_EQ(sb::Form::GetText(c.singerInfo), L"正在拉取信息");
  EXPECT_EQ(sb::Form::GetText(c.geci), lyrics);
  EXPECT_EQ(window->CoverPicture(), cover);
  EXPECT_EQ(window->GMZ(), L"f104.mp3");
  EXPECT_EQ(window->GDZ(), L"104");
  EXPECT_TRUE(TestCatalogue::Get().server().RequestedPaths().empty());
}

// Unload

int VisibleWindowsOfThisProcess() {
  int count = 0;
  EnumWindows(
      [](HWND h, LPARAM lp) -> BOOL {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        if (pid == GetCurrentProcessId() && IsWindowVisible(h)) ++*reinterpret_cast<int*>(lp);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

TEST_F(MainWindowTest, ExitRunsTheUnloadStepsAndCreatesNoDownloadWindow) {
  Open();
  const auto& c = window->Controls();
  HWND main = window->hwnd();
  const int before = VisibleWindowsOfThisProcess();
  SendMessageW(c.command3, BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_FALSE(window->IsLoaded());
  EXPECT_EQ(peers.downloadWindowCloses, 1);
  EXPECT_EQ(peers.menuFormCloses, 1);
  EXPECT_TRUE(sbtest::TakeQuitMessage()) << "the program ends";
  const int after = VisibleWindowsOfThisProcess();
  EXPECT_EQ(after, before - 1) << "only the main window went, nothing new came";
}

TEST_F(MainWindowTest, CloseArrivingDuringAClickWaitsUntilTheClickHasFinished) {
  Open();
  HWND main = window->hwnd();
  PostMessageW(main, WM_CLOSE, 0, 0);
  window->ClickSong(1);  // the cover loader lets the close request run
  EXPECT_TRUE(IsWindow(main));
  EXPECT_EQ(window->GDZ(), L"102") << "the click ran to its end on live controls";
  EXPECT_EQ(peers.menuFormCloses, 0);
  MSG m;  // the window's own queue only: the program's quit message stays for the check below
  while (PeekMessageW(&m, main, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(peers.downloadWindowCloses, 1);
  EXPECT_TRUE(sbtest::TakeQuitMessage());
}

TEST_F(MainWindowTest, DownloadButtonGoesToTheDownloadCommand) {
  Open();
  window->ClickSong(0);
  SendMessageW(window->Controls().command2, BM_CLICK, 0, 0);
  EXPECT_EQ(peers.downloads, 1);
}

TEST_F(MainWindowTest, WebPanelShowsTheCommunityAddressWithoutABrowserEngine) {
  sbtest::MessageBoxAnswerer answerer;
  Open();
  HWND web = window->Controls().webBrowser1;
  ASSERT_NE(web, nullptr);
  if (sb::BrowserEngineAvailable()) GTEST_SKIP() << "this prefix has a browser engine";
  EXPECT_EQ(sb::Form::GetText(web), TestCatalogue::Get().Root() + L"community");
  EXPECT_TRUE(IsWindowVisible(web));
  sbtest::PumpFor(1700);
  EXPECT_EQ(answerer.count(), 0);
}

}  // namespace
