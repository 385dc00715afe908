#include "window/cool_scrollbars.h"

#include <stdexcept>

#include "platform/dpi.h"

namespace sb {
namespace {

RECT ToRect(const BarRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

bool Contains(const BarRect& r, POINT p) {
  RECT rc = ToRect(r);
  return ::PtInRect(&rc, p) != FALSE;
}

void Invalidate(HWND hwnd) {
  if (hwnd) ::InvalidateRect(hwnd, nullptr, FALSE);
}

UniqueWindow CreateBarWindow(HWND parent, bool parentIsDesktop) {
  return UniqueWindow(::CreateWindowExW(parentIsDesktop ? WS_EX_TOOLWINDOW : 0, L"Static", L"",
                                        WS_CHILD | SS_OWNERDRAW, 0, 0, 0, 0, parent, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr));
}

UniqueBrush MakeDitherBrush() {
  // 8 x 8, one bit per pixel, rows padded to 16 bits.
  static const BYTE kBits[16] = {0xAA, 0xAA, 0x55, 0x55, 0xAA, 0xAA, 0x55, 0x55,
                                 0xAA, 0xAA, 0x55, 0x55, 0xAA, 0xAA, 0x55, 0x55};
  UniqueBitmap pattern(::CreateBitmap(8, 8, 1, 1, kBits));
  return UniqueBrush(pattern ? ::CreatePatternBrush(pattern.get()) : nullptr);
}

void HideBar(HWND hwnd) {
  ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

cCoolScrollbars::~cCoolScrollbars() { UninitializeCoolSB(); }

bool cCoolScrollbars::InitializeCoolSB(HWND hwnd, bool CustomDraw) {
  if (target_) return false;
  if (!::IsWindow(hwnd)) return false;
  HWND parent = ::GetParent(hwnd);
  if (!parent) parent = ::GetDesktopWindow();
  const bool parentIsDesktop = parent == ::GetDesktopWindow();
  UniqueWindow vertical = CreateBarWindow(parent, parentIsDesktop);
  UniqueWindow horizontal = CreateBarWindow(parent, parentIsDesktop);
  UniqueWindow corner = CreateBarWindow(parent, parentIsDesktop);
  UniqueBrush dither = MakeDitherBrush();
  if (!vertical || !horizontal || !corner || !dither) return false;

  target_ = hwnd;
  parent_ = parent;
  parentIsDesktop_ = parentIsDesktop;
  bars_[0] = CoolBarState{};
  bars_[1] = CoolBarState{};
  bars_[1].barWindow = std::move(vertical);
  bars_[0].barWindow = std::move(horizontal);
  corner_ = std::move(corner);
  dither_ = std::move(dither);
  currentBar_ = 0;
  trackingPart_ = 0;
  pressPoint_ = {};
  cornerRect_ = {};
  customDraw_ = CustomDraw;
  Layout();
  return true;
}

bool cCoolScrollbars::UninitializeCoolSB() {
  if (!target_) return false;
  ::KillTimer(target_, kTrackTimerId);
  bars_[1].barWindow.reset();
  bars_[0].barWindow.reset();
  corner_.reset();
  dither_.reset();
  target_ = nullptr;
  parent_ = nullptr;
  return true;
}

void cCoolScrollbars::Refresh() {
  Invalidate(bars_[1].barWindow.get());
  Invalidate(bars_[0].barWindow.get());
  Invalidate(corner_.get());
}

void cCoolScrollbars::CustomDraw(bool New_CustomDraw) {
  if (New_CustomDraw == customDraw_) return;
  customDraw_ = New_CustomDraw;
  Refresh();
}

bool cCoolScrollbars::Enabled(int ScrollBarID) const {
  if (ScrollBarID != 0 && ScrollBarID != 1) throw std::out_of_range("ScrollBarID");
  return bars_[ScrollBarID].thumbLength >= 1 && enabled_;
}

void cCoolScrollbars::Layout() {
  const LONG style = ::GetWindowLongW(target_, GWL_STYLE);
  const LONG exStyle = ::GetWindowLongW(target_, GWL_EXSTYLE);
  enabled_ = (style & WS_DISABLED) == 0;
  rightSide_ = (exStyle & WS_EX_LEFTSCROLLBAR) == 0;

  RECT window{}, client{};
  ::GetWindowRect(target_, &window);
  ::GetClientRect(target_, &client);
  const int w = client.right, h = client.bottom;
  POINT origin{window.left, window.top};
  ::MapWindowPoints(HWND_DESKTOP, parent_, &origin, 1);
  const int e = ((exStyle & WS_EX_CLIENTEDGE) ? 2 : 0) + ((style & WS_BORDER) ? 1 : 0);

  const int cxV = sb::SystemMetricAt(SM_CXVSCROLL, sb::WindowDpi(target_));
  const int cyH = sb::SystemMetricAt(SM_CYHSCROLL, sb::WindowDpi(target_));
  const bool wantH = (style & WS_HSCROLL) && (window.bottom - window.top) - 2 * e > cyH;
  const bool wantV = (style & WS_VSCROLL) && (window.right - window.left) - 2 * e > cxV;
  const HWND z = parentIsDesktop_ ? HWND_TOPMOST : HWND_TOP;
  const UINT show = SWP_SHOWWINDOW | SWP_NOACTIVATE;

  HWND vertical = bars_[1].barWindow.get();
  HWND horizontal = bars_[0].barWindow.get();
  if (wantV) {
    ::SetWindowPos(vertical, z, rightSide_ ? origin.x + e + w : origin.x + e, origin.y + e, cxV, h, show);
    CalcArrows(1);
  } else {
    HideBar(vertical);
  }
  if (wantH) {
    const int x = origin.x + e + ((wantV && !rightSide_) ? cxV : 0);
    ::SetWindowPos(horizontal, z, x, origin.y + e + h, w, cyH, show);
    CalcArrows(0);
  } else {
    HideBar(horizontal);
  }
  if (wantH && wantV) {
    ::SetWindowPos(corner_.get(), z, rightSide_ ? origin.x + e + w : origin.x + e, origin.y + e + h, cxV, cyH,
                   show);
    ::GetClientRect(corner_.get(), &cornerRect_);
    RECT parentClient{};
    ::GetClientRect(parent_, &parentClient);
    const RECT atOrigin{0, 0, window.right - window.left, window.bottom - window.top};
    const bool parentMaximised = (::GetWindowLongW(parent_, GWL_STYLE) & WS_MAXIMIZE) != 0;
    sizer_ = !parentMaximised && ::EqualRect(&atOrigin, &parentClient);
  } else {
    HideBar(corner_.get());
    sizer_ = false;
  }
  Refresh();
}

void cCoolScrollbars::CalcArrows(int bar) {
  CoolBarState& b = bars_[bar];
  RECT rc{};
  ::GetClientRect(b.barWindow.get(), &rc);
  const bool vertical = bar == 1;
  const int arrow = sb::SystemMetricAt(vertical ? SM_CYVSCROLL : SM_CXHSCROLL, sb::WindowDpi(target_));
  const ArrowGeometry g = sb::CalcArrows(vertical, rc.right, rc.bottom, arrow);
  b.trackVisible = g.trackVisible;
  b.middle = g.middleVisible;
  b.middleRect = g.middle;
  b.firstArrow = g.firstArrow;
  b.secondArrow = g.secondArrow;
  b.trackStart = g.trackStart;
  b.trackLength = g.trackLength;
}

void cCoolScrollbars::CalcThumbAndParts(int bar) {
  CoolBarState& b = bars_[bar];
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
  ThumbGeometry thumb{b.trackStart, 0};
  if (::GetScrollInfo(target_, bar == 1 ? SB_VERT : SB_HORZ, &si)) {
    thumb = CalcThumb({si.nMin, si.nMax, si.nPage, si.nPos, si.nTrackPos}, b.trackStart, b.trackLength,
                      trackingPart_ == 5);
  }
  b.thumbPosition = thumb.position;
  b.thumbLength = thumb.length;
  ArrowGeometry arrows;
  arrows.firstArrow = b.firstArrow;
  arrows.secondArrow = b.secondArrow;
  const PartGeometry parts = CalcParts(bar == 1, arrows, thumb);
  b.firstPage = parts.firstPage;
  b.secondPage = parts.secondPage;
  b.thumb = parts.thumb;
}

void cCoolScrollbars::AfterMsg(LRESULT&, HWND, UINT, WPARAM, LPARAM) {}

void cCoolScrollbars::BeforeMsg(BOOL& bHandled, LRESULT&, HWND& hWnd, UINT& uMsg, WPARAM& wParam,
                                LPARAM& lParam) {
  if (!target_) return;
  if (hWnd == target_) {
    switch (uMsg) {
      case WM_ENABLE:
        enabled_ = wParam != 0;
        Refresh();
        break;
      case WM_PAINT:
        Refresh();
        break;
      case WM_WINDOWPOSCHANGED:
      case WM_STYLECHANGED:
        Layout();
        break;
      case WM_NCLBUTTONDOWN:
        StartTracking(wParam, lParam);
        break;
      case WM_NCLBUTTONDBLCLK: {
        // A fresh single press instead, so the target's scroll bar acts twice.
        INPUT press{};
        press.type = INPUT_MOUSE;
        press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        ::SendInput(1, &press, sizeof(press));
        bHandled = TRUE;
        break;
      }
      case WM_NCRBUTTONDOWN:
        bHandled = enabled_ ? FALSE : TRUE;
        break;
      case WM_TIMER:
        TrackingTick(wParam);
        break;
      case WM_CAPTURECHANGED:
        StopTracking(lParam);
        break;
      default:
        break;
    }
    return;
  }
  if (uMsg != WM_PAINT) return;
  if (hWnd == bars_[1].barWindow.get()) {
    PaintBar(1);
  } else if (hWnd == bars_[0].barWindow.get()) {
    PaintBar(0);
  } else if (hWnd == corner_.get()) {
    PaintCorner();
  }
}

void cCoolScrollbars::StartTracking(WPARAM hitTest, LPARAM screenPoint) {
  int bar;
  if (hitTest == HTHSCROLL) {
    bar = 0;
  } else if (hitTest == HTVSCROLL) {
    bar = 1;
  } else {
    return;
  }
  currentBar_ = bar;
  CoolBarState& b = bars_[bar];
  if (!enabled_ || b.thumbLength <= 0) return;
  b.pressed.fill(false);
  RECT window{};
  ::GetWindowRect(b.barWindow.get(), &window);
  pressPoint_.x = static_cast<short>(LOWORD(screenPoint)) - window.left;
  pressPoint_.y = static_cast<short>(HIWORD(screenPoint)) - window.top;
  const BarRect* parts[5] = {&b.firstArrow, &b.secondArrow, &b.firstPage, &b.secondPage, &b.thumb};
  trackingPart_ = 0;
  for (int i = 0; i < 5; ++i) {
    if (Contains(*parts[i], pressPoint_)) {
      trackingPart_ = i + 1;
      break;
    }
  }
  if (trackingPart_) b.pressed[trackingPart_ - 1] = ::GetAsyncKeyState(VK_LBUTTON) != 0;
  Invalidate(b.barWindow.get());
  if (trackingPart_ >= 1 && trackingPart_ <= 4) ::SetTimer(target_, kTrackTimerId, 10, nullptr);
}

void cCoolScrollbars::TrackingTick(WPARAM timerId) {
  if (timerId != kTrackTimerId) return;
  if (trackingPart_ < 1 || trackingPart_ > 4) return;
  CoolBarState& b = bars_[currentBar_];
  POINT p{};
  ::GetCursorPos(&p);
  ::ScreenToClient(b.barWindow.get(), &p);
  const BarRect* parts[4] = {&b.firstArrow, &b.secondArrow, &b.firstPage, &b.secondPage};
  const bool inside = Contains(*parts[trackingPart_ - 1], p);
  if (b.pressed[trackingPart_ - 1] != inside) {
    b.pressed[trackingPart_ - 1] = inside;
    Invalidate(b.barWindow.get());
  }
}

void cCoolScrollbars::StopTracking(LPARAM newCapture) {
  if (newCapture != 0) return;
  ::KillTimer(target_, kTrackTimerId);
  CoolBarState& b = bars_[currentBar_];
  b.pressed.fill(false);
  Invalidate(b.barWindow.get());
}

void cCoolScrollbars::PaintBar(int bar) {
  CalcThumbAndParts(bar);
  PaintDc paint(bars_[bar].barWindow.get());
  if (paint.get()) DrawBar(bar, paint.get());
}

void cCoolScrollbars::PaintCorner() {
  PaintDc paint(corner_.get());
  if (paint.get()) DrawSizer(paint.get());
}

void cCoolScrollbars::Raise(HDC dc, int bar, const BarRect& r, int part, bool pressed) {
  if (OnPaint) OnPaint(dc, bar, r.left, r.top, r.right, r.bottom, part, pressed);
}

void cCoolScrollbars::DrawBar(int bar, HDC dc) {
  const CoolBarState& b = bars_[bar];
  if (customDraw_) {
    Raise(dc, bar, b.firstArrow, 0, b.pressed[0]);
    Raise(dc, bar, b.secondArrow, 1, b.pressed[1]);
    if (b.trackVisible) {
      Raise(dc, bar, b.firstPage, 2, b.pressed[2]);
      Raise(dc, bar, b.secondPage, 3, b.pressed[3]);
      if (b.thumbLength != 0) Raise(dc, bar, b.thumb, 5, b.pressed[4]);
    }
    if (b.middle) Raise(dc, bar, b.middleRect, 4, false);
    return;
  }
  const UINT glyph = bar == 0 ? DFCS_SCROLLLEFT : DFCS_SCROLLUP;
  if (enabled_ && b.thumbLength > 0) {
    DrawArrow(dc, b.firstArrow, glyph, b.pressed[0]);
    DrawArrow(dc, b.secondArrow, glyph + 1, b.pressed[1]);
    if (b.trackVisible) {
      const BarRect* pages[2] = {&b.firstPage, &b.secondPage};
      for (int i = 0; i < 2; ++i) {
        if (b.pressed[2 + i]) {
          RECT rc = ToRect(*pages[i]);
          ::FillRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        } else {
          FillTrack(dc, *pages[i]);
        }
      }
      if (b.thumbLength != 0) {
        RECT rc = ToRect(b.thumb);
        if (b.pressed[4]) {
          ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNSHADOW));
        } else {
          // A flat push button: frame type 0 would draw nothing and leave the thumb unpainted.
          ::DrawFrameControl(dc, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT);
        }
      }
    }
  } else {
    RECT first = ToRect(b.firstArrow), second = ToRect(b.secondArrow);
    ::DrawFrameControl(dc, &first, DFC_SCROLL, glyph | DFCS_FLAT | DFCS_INACTIVE);
    ::DrawFrameControl(dc, &second, DFC_SCROLL, (glyph + 1) | DFCS_FLAT | DFCS_INACTIVE);
    if (b.trackVisible) {
      FillTrack(dc, b.firstPage);
      FillTrack(dc, b.secondPage);
      if (b.thumbLength != 0) {
        RECT rc = ToRect(b.thumb);
        ::DrawFrameControl(dc, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_FLAT | DFCS_INACTIVE);
      }
    }
  }
  if (b.middle) FillTrack(dc, b.middleRect);
}

void cCoolScrollbars::DrawArrow(HDC dc, const BarRect& r, UINT glyph, bool pressed) const {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  UniqueMemoryDc mem(::CreateCompatibleDC(dc));
  UniqueBitmap bitmap(::CreateCompatibleBitmap(dc, w, h));
  if (!mem || !bitmap) return;
  SelectGuard select(mem.get(), bitmap.get());
  RECT rc{0, 0, w, h};
  ::DrawFrameControl(mem.get(), &rc, DFC_SCROLL, glyph | DFCS_FLAT);
  if (pressed) ::InvertRect(mem.get(), &rc);
  ::BitBlt(dc, r.left, r.top, w, h, mem.get(), 0, 0, SRCCOPY);
}

void cCoolScrollbars::FillTrack(HDC dc, const BarRect& r) const {
  const COLORREF oldBack = ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
  const COLORREF oldText = ::SetTextColor(dc, ::GetSysColor(COLOR_BTNFACE));
  RECT rc = ToRect(r);
  ::FillRect(dc, &rc, dither_.get());
  ::SetBkColor(dc, oldBack);
  ::SetTextColor(dc, oldText);
}

void cCoolScrollbars::DrawSizer(HDC dc) {
  if (customDraw_) {
    Raise(dc, -1, BarRect{cornerRect_.left, cornerRect_.top, cornerRect_.right, cornerRect_.bottom}, 6, false);
    return;
  }
  RECT rc = cornerRect_;
  if (rightSide_ && sizer_) {
    ::DrawFrameControl(dc, &rc, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  } else {
    ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));
  }
}

}  // namespace sb
