#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "app_test_support.h"
#include "test_env.h"
#include "window/scrollbar_painter.h"

namespace {

RECT ClientOnScreen(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  MapWindowPoints(h, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

class MainWindowScrollbarsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (window) sbtest::CloseMainWindow(*window);
  }
  sbtest::RecordingPeers peers;
  std::unique_ptr<sb::MainWindow> window;
};

TEST_F(MainWindowScrollbarsTest, TheSongListGetsPaintedBarsRenewedByEachUpdate) {
  sbtest::TestCatalogue::Get().failRootPage = false;
  window = sbtest::OpenMainWindow(&peers);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->StartupLoadDone());
  const HWND list = window->Controls().listView1;
  const sb::cCoolScrollbars* bars = window->ScrollBars().Scrollbars();
  ASSERT_NE(bars, nullptr);
  EXPECT_EQ(bars->Target(), list);
  EXPECT_TRUE(bars->CustomDraw());
  if (GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL) {
    const HWND v = bars->BarWindow(1);
    ASSERT_TRUE(IsWindowVisible(v));
    RECT vr{};
    GetWindowRect(v, &vr);
    const RECT client = ClientOnScreen(list);
    EXPECT_EQ(vr.left, client.right);
    EXPECT_EQ(vr.top, client.top);
    EXPECT_EQ(vr.bottom, client.bottom);
  }

  // "更新列表" reloads the list and replaces the object with its windows.
  const HWND oldCorner = bars->CornerWindow();
  const long blocks = sb::cSubclassingThunk::LiveBlocks();
  SendMessageW(window->Controls().command1, BM_CLICK, 0, 0);
  const sb::cCoolScrollbars* renewed = window->ScrollBars().Scrollbars();
  ASSERT_NE(renewed, nullptr);
  EXPECT_FALSE(IsWindow(oldCorner));
  // The list's old block may stay as a pass-through under a later subclasser;
  // the three bar windows' blocks went with their windows.
  EXPECT_LE(sb::cSubclassingThunk::LiveBlocks(), blocks + 1);

  // Each load appends the page again: load until the list has to scroll.
  for (int i = 0; i < 12 && !(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL); ++i) window->RunListLoad(true);
  ASSERT_TRUE(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL);
  const HWND v = window->ScrollBars().Scrollbars()->BarWindow(1);
  ASSERT_TRUE(IsWindowVisible(v));
  sbtest::PumpFor(200);
  std::wstring dir = sbtest::BuildDir();
  if (!dir.empty()) sbtest::SaveWindowPng(window->hwnd(), dir + L"\\window_main_scrollbars.png");
  RECT vr{};
  GetWindowRect(v, &vr);
  sb::WindowDc screen = sb::WindowDc::Client(nullptr);
  const COLORREF arrowInside = GetPixel(screen.get(), vr.left + 2, vr.top + 2);
  EXPECT_EQ(arrowInside, sb::kScrollbarBase);

  // Scrolling the list moves the painted thumb: the thumb's inner colour is
  // found further down the bar.
  auto thumbTop = [&] {
    sbtest::PumpFor(150);
    const RECT track{vr.left + 8, vr.top + GetSystemMetrics(SM_CYVSCROLL), 0,
                     vr.bottom - GetSystemMetrics(SM_CYVSCROLL)};
    for (int y = track.top + 1; y < track.bottom; ++y)
      if (GetPixel(screen.get(), track.left, y) == sb::kScrollbarBase) return y;
    return -1;
  };
  const int before = thumbTop();
  ASSERT_GT(before, 0);
  SendMessageW(list, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_GT(thumbTop(), before);
}

}  // namespace
