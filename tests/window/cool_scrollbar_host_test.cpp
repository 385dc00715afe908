#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/form.h"
#include "scrollbar_test_support.h"
#include "test_env.h"
#include "window/cool_scrollbar_host.h"
#include "window/scrollbar_geometry.h"
#include "window/scrollbar_painter.h"

namespace {

// A report-style list view with many rows in a plain parent window; like the
// main window's list it clips its siblings, so its own bar never paints over
// the custom bars laid on it.
class ListFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    parent_ = sbtest::CreateTestParent(420, 320);
    list_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_REPORT,
                            10, 10, 380, 280, parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(list_, nullptr);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = 300;
    col.pszText = const_cast<wchar_t*>(L"歌曲");
    SendMessageW(list_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < 300; ++i) {
      std::wstring text = L"第 " + std::to_wstring(i + 1) + L" 首";
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = i;
      item.pszText = text.data();
      SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    sbtest::PumpFor(50);
  }
  void TearDown() override { DestroyWindow(parent_); }

  // First and last row of the bar window on screen whose middle column shows
  // the thumb's inner colour, inside the track.
  std::pair<int, int> ThumbRowsOnScreen(const sb::cCoolScrollbars& bars) {
    const sbtest::Pixels p = sbtest::GrabScreen(bars.BarWindow(1));
    const sb::CoolBarState& bar = bars.Bar(1);
    int first = -1, last = -1;
    for (int y = bar.trackStart; y < bar.trackStart + bar.trackLength; ++y) {
      if (p.At(p.width / 2, y) == sb::kScrollbarBase) {
        if (first < 0) first = y;
        last = y;
      }
    }
    return {first, last};
  }
  // Where the thumb must be by the list's own scroll state.
  sb::ThumbGeometry ExpectedThumb(const sb::cCoolScrollbars& bars) {
    SCROLLINFO si{sizeof(si), SIF_ALL};
    GetScrollInfo(list_, SB_VERT, &si);
    const sb::CoolBarState& bar = bars.Bar(1);
    return sb::CalcThumb({si.nMin, si.nMax, si.nPage, si.nPos, si.nTrackPos}, bar.trackStart, bar.trackLength,
                         false);
  }
  void ExpectThumbWhereTheListSays(const sb::cCoolScrollbars& bars) {
    sbtest::PumpFor(150);
    const sb::ThumbGeometry t = ExpectedThumb(bars);
    ASSERT_GT(t.length, 2);
    const auto rows = ThumbRowsOnScreen(bars);
    EXPECT_EQ(rows.first, t.position + 1);            // inside the 3D frame
    EXPECT_EQ(rows.second, t.position + t.length - 2);
  }
  HWND parent_ = nullptr, list_ = nullptr;
};

TEST_F(ListFixture, ThumbFollowsTheListOnScreen) {
  sb::CoolScrollbarHost host;
  ASSERT_TRUE(host.Attach(list_));
  sb::cCoolScrollbars* bars = host.Scrollbars();
  ASSERT_NE(bars, nullptr);
  EXPECT_TRUE(bars->CustomDraw());
  ASSERT_TRUE(IsWindowVisible(bars->BarWindow(1)));
  sbtest::PumpFor(200);
  std::wstring dir = sbtest::BuildDir();
  if (dir.empty()) dir = sb::AppFolder();
  EXPECT_TRUE(sbtest::SaveWindowPng(parent_, dir + L"\\window_scrollbars.png"));

  ExpectThumbWhereTheListSays(*bars);
  const int top = ThumbRowsOnScreen(*bars).first;

  const int itemHeight = static_cast<int>(HIWORD(SendMessageW(list_, LVM_GETITEMSPACING, TRUE, 0)));
  SendMessageW(list_, LVM_SCROLL, 0, 60 * (itemHeight > 0 ? itemHeight : 16));
  ExpectThumbWhereTheListSays(*bars);
  EXPECT_GT(ThumbRowsOnScreen(*bars).first, top);

  SendMessageW(list_, WM_VSCROLL, SB_PAGEDOWN, 0);
  ExpectThumbWhereTheListSays(*bars);
  SetFocus(list_);
  SendMessageW(list_, WM_KEYDOWN, VK_NEXT, 0);
  SendMessageW(list_, WM_KEYDOWN, VK_NEXT, 0);
  ExpectThumbWhereTheListSays(*bars);
  RECT lr{};
  GetWindowRect(list_, &lr);
  const int beforeWheel = ThumbRowsOnScreen(*bars).first;
  SendMessageW(list_, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-3 * WHEEL_DELTA)), MAKELPARAM(lr.left + 50, lr.top + 50));
  ExpectThumbWhereTheListSays(*bars);
  EXPECT_GT(ThumbRowsOnScreen(*bars).first, beforeWheel);
  SendMessageW(list_, LVM_ENSUREVISIBLE, 299, FALSE);
  ExpectThumbWhereTheListSays(*bars);
  const sb::CoolBarState& bar = bars->Bar(1);
  EXPECT_EQ(ThumbRowsOnScreen(*bars).second, bar.trackStart + bar.trackLength - 2);
  SendMessageW(list_, WM_VSCROLL, SB_LINEUP, 0);
  ExpectThumbWhereTheListSays(*bars);
  EXPECT_TRUE(sbtest::SaveWindowPng(parent_, dir + L"\\window_scrollbars_scrolled.png"));

  // The arrows show the steel-blue look over the list's own bar.
  const sbtest::Pixels p = sbtest::GrabScreen(bars->BarWindow(1));
  EXPECT_TRUE(p.Any(1, 1, p.width - 1, bar.firstArrow.bottom - 1, sb::kScrollbarBase));
}

TEST_F(ListFixture, BarsStayOverTheListWhenItMovesAndFollowAReload) {
  sb::CoolScrollbarHost host;
  ASSERT_TRUE(host.Attach(list_));
  SetWindowPos(list_, nullptr, 30, 20, 300, 250, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(list_, &client);
  MapWindowPoints(list_, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  RECT bar{};
  GetWindowRect(host.Scrollbars()->BarWindow(1), &bar);
  EXPECT_EQ(bar.left, client.right);
  EXPECT_EQ(bar.top, client.top);
  EXPECT_EQ(bar.bottom, client.bottom);

  // A reload empties and refills the list: the range changes, the bar follows.
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
  for (int i = 0; i < 100; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(L"歌");
    SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  const long before = sb::cSubclassingThunk::LiveBlocks();
  const HWND oldBar = host.Scrollbars()->BarWindow(1);
  ASSERT_TRUE(host.Attach(list_));  // replaces the previous object
  EXPECT_FALSE(IsWindow(oldBar));
  EXPECT_EQ(sb::cSubclassingThunk::LiveBlocks(), before);
  ExpectThumbWhereTheListSays(*host.Scrollbars());

  // Emptied, the list drops its vertical scroll bar and the bar window goes with it.
  SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
  sbtest::PumpFor(50);
  EXPECT_FALSE(GetWindowLongW(list_, GWL_STYLE) & WS_VSCROLL);
  EXPECT_FALSE(IsWindowVisible(host.Scrollbars()->BarWindow(1)));
  for (int i = 0; i < 100; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(L"曲");
    SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  sbtest::PumpFor(50);
  EXPECT_TRUE(IsWindowVisible(host.Scrollbars()->BarWindow(1)));
  ExpectThumbWhereTheListSays(*host.Scrollbars());

  host.Detach();
  EXPECT_EQ(host.Scrollbars(), nullptr);
  EXPECT_EQ(sb::cSubclassingThunk::LiveBlocks(), before - 4);
  EXPECT_FALSE(host.Attach(nullptr));
}

TEST_F(ListFixture, ARealThumbDragScrollsTheListAndTheThumbFollows) {
  sb::CoolScrollbarHost host;
  ASSERT_TRUE(host.Attach(list_));
  sb::cCoolScrollbars& bars = *host.Scrollbars();
  sbtest::PumpFor(150);
  const sb::CoolBarState& bar = bars.Bar(1);
  RECT vr{};
  GetWindowRect(bars.BarWindow(1), &vr);
  const int x = (vr.left + vr.right) / 2;
  const int y = vr.top + bar.thumbPosition + bar.thumbLength / 2;
  SetCursorPos(x, y);
  sbtest::PumpFor(50);
  auto send = [](DWORD flags, int dx, int dy) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.dx = dx;
    in.mi.dy = dy;
    SendInput(1, &in, sizeof(in));
  };
  // The list's own thumb tracking runs modally: drive the drag from another
  // thread, and wait for its release however slowly a loaded machine runs it.
  std::atomic<bool> released{false};
  const DWORD ui = GetCurrentThreadId();
  std::thread driver([&] {
    sbtest::WaitForCapture(ui);
    for (int i = 0; i < 10; ++i) {
      SetCursorPos(x, y + 8 * (i + 1));
      send(MOUSEEVENTF_MOVE, 0, 0);
      Sleep(40);
    }
    send(MOUSEEVENTF_LEFTUP, 0, 0);
    released = true;
  });
  send(MOUSEEVENTF_LEFTDOWN, 0, 0);
  sbtest::PumpUntil([&] { return released.load() && GetCapture() == nullptr; }, 30000);
  sbtest::PumpFor(50);
  driver.join();
  EXPECT_EQ(bars.TrackingPart(), 5);
  SCROLLINFO si{sizeof(si), SIF_POS};
  GetScrollInfo(list_, SB_VERT, &si);
  EXPECT_GT(si.nPos, 0);
  ExpectThumbWhereTheListSays(bars);
}

}  // namespace
