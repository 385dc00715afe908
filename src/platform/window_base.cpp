#include "platform/window_base.h"

namespace sb {

bool WindowClass::Register() const {
  std::call_once(once_, [this] {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.style = style_;
    wc.lpfnWndProc = &WindowBase::WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, cursor_);
    wc.lpszClassName = name_;
    registered_ = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  });
  return registered_;
}

WindowBase::~WindowBase() {
  if (!hwnd_) return;
  // Unbound first: the derived parts are gone, so no message may reach them.
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
}

bool WindowBase::Create(const WindowClass& windowClass, const WindowCreateArgs& a) {
  if (hwnd_ || !windowClass.Register()) return false;
  HWND h = CreateWindowExW(a.exStyle, windowClass.name(), a.text, a.style, a.x, a.y, a.width, a.height, a.parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(a.id)), GetModuleHandleW(nullptr), this);
  return h != nullptr;
}

void WindowBase::Destroy() {
  if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK WindowBase::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  LRESULT result = 0;
  try {
    result = self->HandleMessage(msg, wp, lp);
  } catch (...) {
    // Handlers absorb their failures; nothing may unwind into user32.
    result = 0;
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

}  // namespace sb
