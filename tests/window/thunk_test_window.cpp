#include "thunk_test_window.h"

#include <algorithm>

namespace sbtest {
namespace {
constexpr wchar_t kClass[] = L"SongBoxThunkTestWindow";

void RegisterOnce(WNDPROC proc) {
  static bool done = false;
  if (done) return;
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);
  done = true;
}
}  // namespace

RecordingWindow::RecordingWindow() {
  RegisterOnce(&Proc);
  hwnd_ = CreateWindowExW(0, kClass, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                          GetModuleHandleW(nullptr), this);
}

RecordingWindow::~RecordingWindow() { Destroy(); }

void RecordingWindow::Destroy() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

WNDPROC RecordingWindow::proc() const { return &Proc; }

bool RecordingWindow::Saw(UINT msg) const {
  return std::any_of(seen.begin(), seen.end(), [msg](const SeenMsg& s) { return s.msg == msg; });
}

LRESULT CALLBACK RecordingWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
  }
  auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self) self->seen.push_back({msg, wp, lp});
  if (msg == WM_NCDESTROY && self) self->hwnd_ = nullptr;
  if (msg >= WM_APP && msg < WM_APP + 0x100) return static_cast<LRESULT>(wp + 1);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

int RecordingSink::Count(bool after, UINT msg) const {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                        [&](const SinkCall& c) { return c.after == after && c.msg == msg; }));
}

void RecordingSink::AfterMsg(LRESULT& lReturn, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  calls.push_back({true, hWnd, uMsg, wParam, lParam, lReturn});
  if (onAfter) onAfter(lReturn, uMsg);
}

void RecordingSink::BeforeMsg(BOOL& bHandled, LRESULT& lReturn, HWND& hWnd, UINT& uMsg, WPARAM& wParam,
                              LPARAM& lParam) {
  calls.push_back({false, hWnd, uMsg, wParam, lParam, lReturn});
  if (onBefore) onBefore(bHandled, lReturn, hWnd, uMsg, wParam, lParam);
}

}  // namespace sbtest
