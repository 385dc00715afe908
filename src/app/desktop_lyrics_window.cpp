#include "app/desktop_lyrics_window.h"

#include "app/lyric_frame_renderer.h"
#include "platform/dpi.h"

namespace sb {
namespace {

const WindowClass kDesktopLyricsClass{L"SongBoxDesktopLyrics"};
constexpr UINT_PTR kFrameTimer = 1;

POINT ClientPoint(LPARAM lp) { return {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))}; }

}  // namespace

bool DesktopLyricsWindow::Create() {
  WindowCreateArgs args;
  args.exStyle = kExStyle;
  args.style = WS_POPUP;
  args.width = 1;
  args.height = 1;
  return WindowBase::Create(kDesktopLyricsClass, args);
}

int DesktopLyricsWindow::Dpi() const { return hwnd() ? WindowDpi(hwnd()) : SystemDpi(); }

void DesktopLyricsWindow::SetLocked(bool locked) {
  locked_ = locked;
  if (!hwnd()) return;
  LONG_PTR ex = GetWindowLongPtrW(hwnd(), GWL_EXSTYLE);
  ex = locked ? ex | WS_EX_TRANSPARENT : ex & ~static_cast<LONG_PTR>(WS_EX_TRANSPARENT);
  SetWindowLongPtrW(hwnd(), GWL_EXSTYLE, ex);
  if (locked && hover_) OnMouseLeave();
}

bool DesktopLyricsWindow::Present(const LyricFrameRenderer& frame, const POINT* at, const RECT* dirty) {
  if (!hwnd() || !frame.dc()) return false;
  const SIZE size = frame.size();
  const POINT origin{0, 0};
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  UPDATELAYEREDWINDOWINFO info{sizeof(info)};
  info.pptDst = at;
  info.psize = &size;
  info.hdcSrc = frame.dc();
  info.pptSrc = &origin;
  info.pblend = &blend;
  info.dwFlags = ULW_ALPHA;
  info.prcDirty = dirty;
  return UpdateLayeredWindowIndirect(hwnd(), &info) != FALSE;
}

void DesktopLyricsWindow::ShowNoActivate() {
  if (hwnd()) SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void DesktopLyricsWindow::Hide() {
  StopTicks();
  if (hwnd()) ShowWindow(hwnd(), SW_HIDE);
  if (hover_) OnMouseLeave();
}

void DesktopLyricsWindow::StartTicks(UINT ms) {
  if (!ticking_ && hwnd()) ticking_ = SetTimer(hwnd(), kFrameTimer, ms, nullptr) != 0;
}

void DesktopLyricsWindow::StopTicks() {
  if (ticking_ && hwnd()) KillTimer(hwnd(), kFrameTimer);
  ticking_ = false;
}

// Locked, it is not there for the mouse at all.
LRESULT DesktopLyricsWindow::OnHitTest() { return locked_ ? HTTRANSPARENT : HTCLIENT; }

void DesktopLyricsWindow::OnMouseOver(LPARAM lp) {
  if (dragging_) {
    POINT p = ClientPoint(lp);
    ClientToScreen(hwnd(), &p);
    SetWindowPos(hwnd(), nullptr, p.x - grab_.x, p.y - grab_.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  if (hover_ || locked_) return;
  TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd(), 0};
  if (!TrackMouseEvent(&track)) return;
  hover_ = true;
  if (onHoverChanged) onHoverChanged();
}

void DesktopLyricsWindow::OnMouseLeave() {
  hover_ = false;
  if (onHoverChanged) onHoverChanged();
}

void DesktopLyricsWindow::OnButtonDown(LPARAM lp) {
  if (locked_) return;
  grab_ = ClientPoint(lp);
  dragging_ = true;
  SetCapture(hwnd());
}

void DesktopLyricsWindow::OnButtonUp() {
  if (!dragging_) return;
  dragging_ = false;
  if (GetCapture() == hwnd()) ReleaseCapture();
  if (onMoved) onMoved();
}

LRESULT DesktopLyricsWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCHITTEST:
      return OnHitTest();
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_MOUSEMOVE:
      OnMouseOver(lp);
      return 0;
    case WM_MOUSELEAVE:
      if (hover_) OnMouseLeave();
      return 0;
    case WM_LBUTTONDOWN:
      OnButtonDown(lp);
      return 0;
    case WM_LBUTTONUP:
      OnButtonUp();
      return 0;
    case WM_CAPTURECHANGED:
      if (dragging_ && reinterpret_cast<HWND>(lp) != hwnd()) OnButtonUp();
      return 0;
    case WM_TIMER:
      if (wp == kFrameTimer && onTick) onTick();
      return 0;
    case WM_DPICHANGED:
      SetWindowDpi(hwnd(), HIWORD(wp));
      if (onDisplayChanged) onDisplayChanged();
      return 0;
    case WM_DISPLAYCHANGE:
      if (onDisplayChanged) onDisplayChanged();
      return 0;
    case WM_NCDESTROY:
      ticking_ = false;
      ForgetWindowDpi(hwnd());
      break;
  }
  return DefaultProc(msg, wp, lp);
}

}  // namespace sb
