#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "scrollbar_test_support.h"
#include "test_env.h"
#include "platform/dpi.h"
#include "window/cool_scrollbars.h"

namespace {

using sbtest::RoutedScrollbars;

RECT ScreenRect(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return r;
}

// The target's client area in screen coordinates.
RECT ClientOnScreen(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  MapWindowPoints(h, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void SetScroll(HWND target, int bar, int max, int page, int pos) {
  SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, max, static_cast<UINT>(page),
                pos, 0};
  SetScrollInfo(target, bar, &si, TRUE);
}

void Repaint(HWND h) { RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

class CoolScrollbarsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = sbtest::CreateTestParent(500, 400);
    ASSERT_NE(parent_, nullptr);
    cxV_ = GetSystemMetrics(SM_CXVSCROLL);
    cyH_ = GetSystemMetrics(SM_CYHSCROLL);
    arrow_ = GetSystemMetrics(SM_CYVSCROLL);
  }
  void TearDown() override { DestroyWindow(parent_); }
  HWND Target(DWORD style, DWORD exStyle = WS_EX_CLIENTEDGE, int x = 20, int y = 30, int w = 300, int h = 200) {
    return sbtest::CreateScrollTarget(parent_, style, exStyle, x, y, w, h);
  }
  HWND parent_ = nullptr;
  int cxV_ = 0, cyH_ = 0, arrow_ = 0;
};

TEST_F(CoolScrollbarsTest, BarsLieExactlyOverTheTargetsOwnScrollBars) {
  HWND target = Target(WS_VSCROLL | WS_HSCROLL | WS_BORDER);
  RoutedScrollbars r;
  ASSERT_TRUE(r.Init(target, false));
  EXPECT_TRUE(r.bars.Initialized());
  const RECT client = ClientOnScreen(target);
  const HWND v = r.bars.BarWindow(1), h = r.bars.BarWindow(0), c = r.bars.CornerWindow();
  EXPECT_TRUE(IsWindowVisible(v) && IsWindowVisible(h) && IsWindowVisible(c));
  EXPECT_EQ(GetParent(v), parent_);
  const RECT vr = ScreenRect(v), hr = ScreenRect(h), cr = ScreenRect(c);
  EXPECT_EQ(vr.left, client.right);
  EXPECT_EQ(vr.top, client.top);
  EXPECT_EQ(vr.right - vr.left, cxV_);
  EXPECT_EQ(vr.bottom, client.bottom);
  EXPECT_EQ(hr.left, client.left);
  EXPECT_EQ(hr.top, client.bottom);
  EXPECT_EQ(hr.right, client.right);
  EXPECT_EQ(hr.bottom - hr.top, cyH_);
  EXPECT_EQ(cr.left, client.right);
  EXPECT_EQ(cr.top, client.bottom);
  EXPECT_EQ(cr.right - cr.left, cxV_);
  // Static windows without SS_NOTIFY let the mouse through to the target's bars.
  POINT inside{(vr.left + vr.right) / 2, (vr.top + vr.bottom) / 2};
  EXPECT_EQ(SendMessageW(v, WM_NCHITTEST, 0, MAKELPARAM(inside.x, inside.y)), HTTRANSPARENT);
  EXPECT_EQ(WindowFromPoint(inside), target);
  EXPECT_FALSE(r.bars.HasSizer());  // the target does not fill its parent

  // Moving the target moves the bars along.
  SetWindowPos(target, nullptr, 60, 70, 250, 150, SWP_NOZORDER | SWP_NOACTIVATE);
  const RECT moved = ClientOnScreen(target);
  EXPECT_EQ(ScreenRect(v).left, moved.right);
  EXPECT_EQ(ScreenRect(v).bottom, moved.bottom);
  EXPECT_EQ(ScreenRect(h).right, moved.right);
}

TEST_F(CoolScrollbarsTest, NoBarsWithoutTheStylesAndNoCornerWithOneBar) {
  RoutedScrollbars none;
  ASSERT_TRUE(none.Init(Target(0), false));
  EXPECT_FALSE(IsWindowVisible(none.bars.BarWindow(0)));
  EXPECT_FALSE(IsWindowVisible(none.bars.BarWindow(1)));
  EXPECT_FALSE(IsWindowVisible(none.bars.CornerWindow()));

  RoutedScrollbars vertical;
  HWND target = Target(WS_VSCROLL);
  ASSERT_TRUE(vertical.Init(target, false));
  EXPECT_TRUE(IsWindowVisible(vertical.bars.BarWindow(1)));
  EXPECT_FALSE(IsWindowVisible(vertical.bars.BarWindow(0)));
  EXPECT_FALSE(IsWindowVisible(vertical.bars.CornerWindow()));

  // A style change lays out again.
  SetWindowLongW(target, GWL_STYLE, GetWindowLongW(target, GWL_STYLE) | WS_HSCROLL);
  SetWindowPos(target, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  EXPECT_TRUE(IsWindowVisible(vertical.bars.BarWindow(0)));
  EXPECT_TRUE(IsWindowVisible(vertical.bars.CornerWindow()));
}

TEST_F(CoolScrollbarsTest, LeftScrollBarLayout) {
  HWND target = Target(WS_VSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE | WS_EX_LEFTSCROLLBAR, 0, 0, 500, 400);
  RoutedScrollbars r;
  ASSERT_TRUE(r.Init(target, false));
  const RECT client = ClientOnScreen(target);
  const RECT vr = ScreenRect(r.bars.BarWindow(1)), hr = ScreenRect(r.bars.BarWindow(0));
  const RECT cr = ScreenRect(r.bars.CornerWindow());
  EXPECT_EQ(vr.right, client.left);
  EXPECT_EQ(vr.right - vr.left, cxV_);
  EXPECT_EQ(hr.left, vr.right);
  EXPECT_EQ(cr.left, vr.left);
  EXPECT_EQ(cr.top, client.bottom);
  EXPECT_FALSE(r.bars.HasLeftScrollbar());  // answers the right-side flag
  EXPECT_FALSE(r.bars.HasSizer());          // even though the target fills its parent
}

TEST_F(CoolScrollbarsTest, FillingTheParentMakesTheCornerASizer) {
  RoutedScrollbars r;
  ASSERT_TRUE(r.Init(Target(WS_VSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE, 0, 0, 500, 400), false));
  EXPECT_TRUE(r.bars.HasLeftScrollbar());
  EXPECT_TRUE(r.bars.HasSizer());
  EXPECT_EQ(r.bars.CornerRect().right, cxV_);
  EXPECT_EQ(r.bars.CornerRect().bottom, cyH_);
}

TEST_F(CoolScrollbarsTest, ArrowGeometryFollowsTheBarHeight) {
  const int e = 2;  // client edge
  struct Case {
    int height;
    bool track, middle;
    int firstBottom, secondTop;
  } cases[] = {
      {2 * arrow_ + 8, true, false, arrow_, arrow_ + 8},
      {2 * arrow_ + 7, false, true, arrow_, arrow_ + 7},
      {2 * arrow_ + 1, false, true, arrow_, arrow_ + 1},
      {2 * arrow_, false, false, arrow_, arrow_},
      {2 * arrow_ - 1, false, true, arrow_ - 1, arrow_},
  };
  HWND target = Target(WS_VSCROLL, WS_EX_CLIENTEDGE, 10, 10, 100, 100);
  RoutedScrollbars r;
  ASSERT_TRUE(r.Init(target, false));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.height);
    SetWindowPos(target, nullptr, 0, 0, 100, c.height + 2 * e, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const sb::CoolBarState& bar = r.bars.Bar(1);
    EXPECT_EQ(bar.trackVisible, c.track);
    EXPECT_EQ(bar.middle, c.middle);
    EXPECT_EQ(bar.firstArrow.bottom, c.firstBottom);
    EXPECT_EQ(bar.secondArrow.top, c.secondTop);
    EXPECT_EQ(bar.secondArrow.bottom, c.height);
    if (c.middle) {
      EXPECT_EQ(bar.middleRect.top, c.firstBottom);
      EXPECT_EQ(bar.middleRect.bottom, c.secondTop);
    }
  }
}

TEST_F(CoolScrollbarsTest, ThumbFollowsTheScrollInfoWithAMinimumOfEight) {
  HWND target = Target(WS_VSCROLL);
  SetScroll(target, SB_VERT, 99999, 3, 0);
  RoutedScrollbars r;
  ASSERT_TRUE(r.Init(target, false));
  Repaint(r.bars.BarWindow(1));
  const sb::CoolBarState& bar = r.bars.Bar(1);
  EXPECT_EQ(bar.thumbLength, 8);
  EXPECT_EQ(bar.thumbPosition, arrow_);
  EXPECT_TRUE(r.bars.Enabled(1));

  SetScroll(target, SB_VERT, 99, 50, 50);
  Repaint(r.bars.BarWindow(1));
  EXPECT_EQ(bar.thumbLength, MulDiv(50, bar.trackLength, 100));
  EXPECT_EQ(bar.thumbPosition, bar.trackStart + bar.trackLength - bar.thumbLength);
  EXPECT_EQ(bar.thumb.top, bar.thumbPosition);
  EXPECT_EQ(bar.firstPage.bottom, bar.thumbPosition);
  EXPECT_EQ(bar.secondPage.top, bar.thumb.bottom);

  EnableWindow(target, FALSE);
  EXPECT_FALSE(r.bars.Enabled(1));
  EnableWindow(target, TRUE);
  EXPECT_TRUE(r.bars.Enabled(1));
  EXPECT_THROW(r.bars.Enabled(2), std::out_of_range);
  EXPECT_THROW(r.bars.Enabled(-1), std::out_of_range);
}

TEST_F(CoolScrollbarsTest, CustomDrawingRaisesEveryPartButTheMissingThumb) {
  HWND target = Target(WS_VSCROLL | WS_HSCROLL);
  SetScroll(target, SB_VERT, 9, 10, 0);   // fits the page: no thumb
  SetScroll(target, SB_HORZ, 999, 10, 0);
  RoutedScrollbars r;
  ASSERT_TRUE(r.Init(target, false));
  std::vector<std::pair<int, int>> raised;  // (bar, part)
  r.bars.OnPaint = [&](HDC dc, int bar, int, int, int, int, int part, bool pressed) {
    EXPECT_NE(dc, nullptr);
    EXPECT_FALSE(pressed);
    raised.emplace_back(bar, part);
  };
  Repaint(r.bars.BarWindow(1));
  EXPECT_TRUE(raised.empty());  // built in until custom drawing is on
  r.bars.CustomDraw(true);
  EXPECT_TRUE(r.bars.CustomDraw());
  UpdateWindow(r.bars.BarWindow(1));
  UpdateWindow(r.bars.BarWindow(0));
  UpdateWindow(r.bars.CornerWindow());
  std::vector<std::pair<int, int>> expected = {{1, 0}, {1, 1}, {1, 2}, {1, 3}, {0, 0}, {0, 1},
                                               {0, 2}, {0, 3}, {0, 5}, {-1, 6}};
  EXPECT_EQ(raised, expected);
  EXPECT_FALSE(r.bars.Enabled(1));
  EXPECT_TRUE(r.bars.Enabled(0));
}

TEST_F(CoolScrollbarsTest, InitialiseOnceAndUninitialiseDestroysTheWindows) {
  sb::cCoolScrollbars bars;
  EXPECT_FALSE(bars.InitializeCoolSB(reinterpret_cast<HWND>(0x4321), false));
  EXPECT_FALSE(bars.Initialized());
  EXPECT_FALSE(bars.UninitializeCoolSB());
  HWND target = Target(WS_VSCROLL | WS_HSCROLL);
  ASSERT_TRUE(bars.InitializeCoolSB(target, true));
  EXPECT_TRUE(bars.CustomDraw());
  EXPECT_FALSE(bars.InitializeCoolSB(target, false));
  const HWND windows[3] = {bars.BarWindow(1), bars.BarWindow(0), bars.CornerWindow()};
  for (HWND w : windows) EXPECT_TRUE(IsWindow(w));
  EXPECT_TRUE(bars.UninitializeCoolSB());
  for (HWND w : windows) EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(bars.Initialized());
  EXPECT_FALSE(bars.UninitializeCoolSB());
  auto owned = std::make_unique<sb::cCoolScrollbars>();
  ASSERT_TRUE(owned->InitializeCoolSB(target, false));
  const HWND v = owned->BarWindow(1);
  ASSERT_TRUE(IsWindow(v));
  owned.reset();  // the destructor uninitialises
  EXPECT_FALSE(IsWindow(v));
}

TEST_F(CoolScrollbarsTest, PressesFollowTheTargetsMessages) {
  HWND target = Target(WS_VSCROLL);
  SetScroll(target, SB_VERT, 99, 10, 40);
  RoutedScrollbars r;
  ASSERT_TRUE(r.Init(target, true));
  Repaint(r.bars.BarWindow(1));
  const sb::CoolBarState& bar = r.bars.Bar(1);
  const RECT vr = ScreenRect(r.bars.BarWindow(1));
  struct Hit {
    int y;
    int part;
  } hits[] = {{1, 1}, {bar.secondArrow.top + 1, 2}, {bar.firstPage.top + 1, 3}, {bar.secondPage.top + 1, 4},
              {bar.thumb.top + 1, 5}};
  // The message arrives through the thunk; BeforeMsg leaves it unhandled, so the
  // press is handed on: call the handler the way the thunk does, without the
  // target's own modal tracking.
  for (const Hit& h : hits) {
    SCOPED_TRACE(h.part);
    BOOL handled = FALSE;
    LRESULT result = 0;
    HWND hwnd = target;
    UINT msg = WM_NCLBUTTONDOWN;
    WPARAM wp = HTVSCROLL;
    LPARAM lp = MAKELPARAM(vr.left + 3, vr.top + h.y);
    r.bars.BeforeMsg(handled, result, hwnd, msg, wp, lp);
    EXPECT_FALSE(handled);
    EXPECT_EQ(r.bars.TrackingPart(), h.part);
  }
  // Other hit-test codes change nothing.
  BOOL handled = FALSE;
  LRESULT result = 0;
  HWND hwnd = target;
  UINT msg = WM_NCLBUTTONDOWN;
  WPARAM wp = HTCAPTION;
  LPARAM lp = MAKELPARAM(vr.left + 3, vr.top + 1);
  r.bars.BeforeMsg(handled, result, hwnd, msg, wp, lp);
  EXPECT_EQ(r.bars.TrackingPart(), 5);

  // A right press is swallowed only while the target is disabled.
  EXPECT_EQ(SendMessageW(target, WM_NCRBUTTONDOWN, HTVSCROLL, 0), 0);
  msg = WM_NCRBUTTONDOWN;
  r.bars.BeforeMsg(handled, result, hwnd, msg, wp, lp);
  EXPECT_FALSE(handled);
  EnableWindow(target, FALSE);
  msg = WM_NCRBUTTONDOWN;
  r.bars.BeforeMsg(handled, result, hwnd, msg, wp, lp);
  EXPECT_TRUE(handled);
}

TEST_F(CoolScrollbarsTest, ARealPressOnTheArrowScrollsTheTargetAndShowsPressed) {
  HWND target = Target(WS_VSCROLL, WS_EX_CLIENTEDGE, 20, 20, 200, 300);
  SetScroll(target, SB_VERT, 99, 10, 0);
  RoutedScrollbars r;
  ASSERT_TRUE(r.Init(target, true));
  std::set<int> pressedParts;
  r.bars.OnPaint = [&](HDC, int bar, int, int, int, int, int part, bool pressed) {
    if (pressed) pressedParts.insert(part);
  };
  // The target's own scroll bar scrolls: follow its SB_LINEDOWN like a list would.
  struct Scroller {
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
      if (m == WM_VSCROLL && LOWORD(wp) == SB_LINEDOWN) {
        SCROLLINFO si{sizeof(si), SIF_POS};
        GetScrollInfo(h, SB_VERT, &si);
        si.nPos += 1;
        SetScrollInfo(h, SB_VERT, &si, TRUE);
        InvalidateRect(h, nullptr, FALSE);
        return 0;
      }
      return DefWindowProcW(h, m, wp, lp);
    }
  };
  SetWindowLongPtrW(target, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Scroller::Proc));
  // Our thunk was above the class procedure; put it back on top.
  r.thunks[0].Unsubclass();
  ASSERT_TRUE(r.thunks[0].Subclass(target, &r.bars));

  sbtest::PumpFor(100);
  const RECT vr = ScreenRect(r.bars.BarWindow(1));
  const int x = (vr.left + vr.right) / 2, y = vr.bottom - 3;  // on the down arrow
  SetCursorPos(x, y);
  INPUT in[2]{};
  in[0].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].type = INPUT_MOUSE;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  // The target's own tracking loop runs modally until the button comes up:
  // release it from another thread.
  std::thread releaser([&] {
    Sleep(400);
    SendInput(1, &in[1], sizeof(INPUT));
  });
  SendInput(1, &in[0], sizeof(INPUT));
  sbtest::PumpFor(800);
  releaser.join();
  sbtest::PumpFor(100);
  SCROLLINFO si{sizeof(si), SIF_POS};
  GetScrollInfo(target, SB_VERT, &si);
  EXPECT_GT(si.nPos, 0);                    // the target's own bar got the press
  EXPECT_EQ(r.bars.TrackingPart(), 2);      // second arrow
  EXPECT_EQ(pressedParts.count(1), 1u);     // painted pressed while held
  EXPECT_FALSE(r.bars.Bar(1).pressed[1]);   // and released afterwards
}

class MessageLog : public sb::SubclassingSink {
 public:
  std::vector<UINT> seen;
  void AfterMsg(LRESULT&, HWND, UINT, WPARAM, LPARAM) override {}
  void BeforeMsg(BOOL&, LRESULT&, HWND&, UINT& msg, WPARAM&, LPARAM&) override { seen.push_back(msg); }
};

TEST_F(CoolScrollbarsTest, ADoubleClickBecomesAFreshPress) {
  HWND target = Target(WS_VSCROLL);
  MessageLog below;
  sb::cSubclassingThunk log;
  log.AllBeforeMsgs(true);
  ASSERT_TRUE(log.Subclass(target, &below));
  RoutedScrollbars r;
  ASSERT_TRUE(r.Init(target, false));
  // Somewhere harmless for the injected press: the parent's empty area.
  RECT pr = ScreenRect(parent_);
  SetCursorPos(pr.right - 5, pr.bottom - 5);
  sbtest::PumpFor(50);
  SendMessageW(target, WM_NCLBUTTONDBLCLK, HTVSCROLL, 0);
  EXPECT_EQ(std::count(below.seen.begin(), below.seen.end(), WM_NCLBUTTONDBLCLK), 0);
  EXPECT_TRUE(sbtest::PumpUntil([] { return (GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0; }, 2000));
  INPUT up{};
  up.type = INPUT_MOUSE;
  up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &up, sizeof(up));
  sbtest::PumpFor(50);
}

}  // namespace

namespace {

// At another DPI (a monitor of another scale) the bars take that DPI's
// thickness once the target is laid out again.
TEST_F(CoolScrollbarsTest, BarsTakeTheThicknessOfTheWindowsDpi) {
  HWND target = Target(WS_VSCROLL | WS_HSCROLL | WS_BORDER);
  RoutedScrollbars r;
  ASSERT_TRUE(r.Init(target, false));
  for (int dpi : {192, 144, sb::SystemDpi()}) {
    SCOPED_TRACE(dpi);
    sb::SetWindowDpi(parent_, dpi);
    SetWindowPos(target, nullptr, 20, 30, 320, 220, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    const RECT vr = ScreenRect(r.bars.BarWindow(1)), hr = ScreenRect(r.bars.BarWindow(0));
    EXPECT_EQ(vr.right - vr.left, sb::SystemMetricAt(SM_CXVSCROLL, dpi));
    EXPECT_EQ(hr.bottom - hr.top, sb::SystemMetricAt(SM_CYHSCROLL, dpi));
  }
  EXPECT_GT(sb::SystemMetricAt(SM_CXVSCROLL, 192), GetSystemMetrics(SM_CXVSCROLL));
}

}  // namespace
