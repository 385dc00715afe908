#include "scrollbar_test_support.h"

#include <cstring>

namespace sbtest {
namespace {
void RegisterPlainClass(const wchar_t* name, UINT style) {
  WNDCLASSW wc{};
  if (GetClassInfoW(GetModuleHandleW(nullptr), name, &wc)) return;
  wc.style = style;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.lpszClassName = name;
  RegisterClassW(&wc);
}

COLORREF FromBgra(uint32_t v) { return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF); }
}  // namespace

HWND CreateTestParent(int width, int height) {
  RegisterPlainClass(L"SongBoxScrollTestParent", 0);
  HWND h = CreateWindowExW(0, L"SongBoxScrollTestParent", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 40, 40,
                           width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  UpdateWindow(h);
  return h;
}

HWND CreateScrollTarget(HWND parent, DWORD style, DWORD exStyle, int x, int y, int w, int h) {
  RegisterPlainClass(L"SongBoxScrollTarget", CS_HREDRAW | CS_VREDRAW);
  return CreateWindowExW(exStyle, L"SongBoxScrollTarget", L"", WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         nullptr, GetModuleHandleW(nullptr), nullptr);
}

bool RoutedScrollbars::Init(HWND target, bool customDraw) {
  if (!bars.InitializeCoolSB(target, customDraw)) return false;
  for (UINT msg : sb::cCoolScrollbars::kTargetMessages) thunks[0].AddBeforeMsgs(msg);
  const HWND windows[3] = {bars.BarWindow(1), bars.BarWindow(0), bars.CornerWindow()};
  bool ok = thunks[0].Subclass(target, &bars);
  for (int i = 0; i < 3; ++i) {
    thunks[i + 1].AddBeforeMsgs(WM_PAINT);
    ok = thunks[i + 1].Subclass(windows[i], &bars) && ok;
  }
  return ok;
}

COLORREF Pixels::At(int x, int y) const { return FromBgra(data[static_cast<size_t>(y) * width + x]); }

bool Pixels::Any(int x1, int y1, int x2, int y2, COLORREF c) const {
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x)
      if (At(x, y) == c) return true;
  return false;
}

bool Pixels::All(int x1, int y1, int x2, int y2, COLORREF c) const {
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x)
      if (At(x, y) != c) return false;
  return true;
}

Canvas::Canvas(int width, int height, COLORREF background) : width_(width), height_(height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  sb::WindowDc screen = sb::WindowDc::Client(nullptr);
  dc_.reset(CreateCompatibleDC(screen.get()));
  bitmap_.reset(CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits_, nullptr, 0));
  SelectObject(dc_.get(), bitmap_.get());
  sb::UniqueBrush brush(CreateSolidBrush(background));
  RECT rc{0, 0, width, height};
  FillRect(dc_.get(), &rc, brush.get());
}

Pixels Canvas::Read() const {
  GdiFlush();
  Pixels p;
  p.width = width_;
  p.height = height_;
  p.data.resize(static_cast<size_t>(width_) * height_);
  std::memcpy(p.data.data(), bits_, p.data.size() * 4);
  return p;
}

Pixels GrabScreen(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  Canvas canvas(r.right - r.left, r.bottom - r.top, 0);
  sb::WindowDc screen = sb::WindowDc::Client(nullptr);
  BitBlt(canvas.dc(), 0, 0, r.right - r.left, r.bottom - r.top, screen.get(), r.left, r.top, SRCCOPY);
  return canvas.Read();
}

}  // namespace sbtest
