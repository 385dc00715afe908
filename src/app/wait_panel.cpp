#include "app/wait_panel.h"

#include "platform/form.h"

namespace sb {

namespace {
constexpr COLORREF kPanelColour = RGB(128, 255, 255);
const WindowClass kPictureBoxClass{kPictureBoxClassName, 0, IDC_WAIT};
}

bool WaitPanel::Create(HWND parent, int left, int top, int width, int height, HFONT labelFont) {
  if (hwnd()) return false;
  background_.reset(CreateSolidBrush(kPanelColour));
  if (!WindowBase::Create(kPictureBoxClass,
                          WindowCreateArgs::Child(parent, TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                                                  TwipsToPixels(height), WS_CLIPSIBLINGS | WS_CLIPCHILDREN)))
    return false;
  label_ = CreateWindowExW(0, L"STATIC", L"更新中，请稍后……", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX,
                           0, TwipsToPixels(2640), TwipsToPixels(9855), TwipsToPixels(1095), hwnd(), nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  if (label_) SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont), FALSE);
  return label_ != nullptr;
}

void WaitPanel::PiSize(HWND target) {
  if (!hwnd() || !target) return;
  RECT r{};
  GetWindowRect(target, &r);
  MapWindowPoints(nullptr, GetParent(hwnd()), reinterpret_cast<POINT*>(&r), 2);
  int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(hwnd(), nullptr, r.left, r.top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT lr{};
  GetWindowRect(label_, &lr);
  int labelHeight = lr.bottom - lr.top;
  SetWindowPos(label_, nullptr, 0, (h - labelHeight) / 2, w, labelHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void WaitPanel::Show() {
  if (!hwnd()) return;
  // Above the list and everything laid over it, painted at once: the load
  // that follows lets only paint messages through.
  SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(hwnd());
}

void WaitPanel::Hide() {
  if (hwnd()) ShowWindow(hwnd(), SW_HIDE);
}

LRESULT WaitPanel::OnEraseBackground(HDC dc) {
  RECT r;
  GetClientRect(hwnd(), &r);
  FillRect(dc, &r, background_.get());
  return 1;
}

LRESULT WaitPanel::OnCtlColorStatic(HDC dc) {
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, kPanelColour);
  return reinterpret_cast<LRESULT>(background_.get());
}

LRESULT WaitPanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      if (background_) return OnEraseBackground(reinterpret_cast<HDC>(wp));
      break;
    case WM_CTLCOLORSTATIC:
      if (background_) return OnCtlColorStatic(reinterpret_cast<HDC>(wp));
      break;
    case kMsgDpiChangedAfterParent:  // Label2 back at its design place, at the new DPI
      if (label_) {
        const int dpi = WindowDpi(hwnd());
        SetWindowPos(label_, nullptr, 0, TwipsToPixelsAt(2640, dpi), TwipsToPixelsAt(9855, dpi),
                     TwipsToPixelsAt(1095, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
      }
      return 0;
    case WM_NCDESTROY:
      label_ = nullptr;
      break;
  }
  return DefaultProc(msg, wp, lp);
}

}  // namespace sb
