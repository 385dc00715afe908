#include "app/wait_panel.h"

#include "platform/form.h"

namespace sb {

namespace {
constexpr COLORREF kPanelColour = RGB(128, 255, 255);
}

bool WaitPanel::Create(HWND parent, int left, int top, int width, int height, HFONT labelFont) {
  static const bool registered = [] {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = &WaitPanel::WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_WAIT);
    wc.lpszClassName = kPictureBoxClassName;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  if (!registered || panel_) return false;
  background_.reset(CreateSolidBrush(kPanelColour));
  panel_ = CreateWindowExW(0, kPictureBoxClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                           TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                           TwipsToPixels(height), parent, nullptr, GetModuleHandleW(nullptr), this);
  if (!panel_) return false;
  label_ = CreateWindowExW(0, L"STATIC", L"更新中，请稍后……", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX,
                           0, TwipsToPixels(2640), TwipsToPixels(9855), TwipsToPixels(1095), panel_, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  if (label_) SendMessageW(label_, WM_SETFONT, reinterpret_cast<WPARAM>(labelFont), FALSE);
  return label_ != nullptr;
}

void WaitPanel::PiSize(HWND target) {
  if (!panel_ || !target) return;
  RECT r{};
  GetWindowRect(target, &r);
  MapWindowPoints(nullptr, GetParent(panel_), reinterpret_cast<POINT*>(&r), 2);
  int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(panel_, nullptr, r.left, r.top, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT lr{};
  GetWindowRect(label_, &lr);
  int labelHeight = lr.bottom - lr.top;
  SetWindowPos(label_, nullptr, 0, (h - labelHeight) / 2, w, labelHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void WaitPanel::Show() {
  if (!panel_) return;
  // Above the list and everything laid over it, painted at once: the load
  // that follows lets only paint messages through.
  SetWindowPos(panel_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(panel_);
}

void WaitPanel::Hide() {
  if (panel_) ShowWindow(panel_, SW_HIDE);
}

LRESULT CALLBACK WaitPanel::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  }
  auto* self = reinterpret_cast<WaitPanel*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND:
      if (self && self->background_) {
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wp), &r, self->background_.get());
        return 1;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (self && self->background_) {
        SetTextColor(reinterpret_cast<HDC>(wp), RGB(0, 0, 0));
        SetBkColor(reinterpret_cast<HDC>(wp), kPanelColour);
        return reinterpret_cast<LRESULT>(self->background_.get());
      }
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      if (self) {
        self->panel_ = nullptr;
        self->label_ = nullptr;
      }
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace sb
