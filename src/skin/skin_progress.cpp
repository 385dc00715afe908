// Progress bars: a white field, a flat bar and a one-pixel frame.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "platform/handles.h"
#include "skin/skin_border.h"
#include "skin/skin_draw.h"
#include "skin/skin_painters.h"

namespace sb {

namespace {

// The bar is measured against 30000 whatever the control's range; positions
// outside 0..30000 show an empty or a full bar.
float FilledFraction(HWND hwnd) {
  const auto pos = static_cast<float>(static_cast<int>(SendMessageW(hwnd, PBM_GETPOS, 0, 0)));
  return std::clamp(pos / 30000.0f, 0.0f, 1.0f);
}

// Lengths and offsets of the bar round to the nearest pixel, halves up; the
// top of a vertical bar is rounded on its own, so with an odd height and half
// fill the bar starts below the middle row rather than on it.
int Rounded(float v) { return static_cast<int>(std::lround(v)); }
int Scaled(int length, float f) { return Rounded(static_cast<float>(length) * f); }
int TopOfVerticalBar(int ch, float f) { return Rounded(static_cast<float>(ch) - static_cast<float>(ch) * f); }

void DrawClient(HWND hwnd, HDC target) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  const int cw = rc.right, ch = rc.bottom;
  Surface s = Surface::Make(cw, ch);
  if (!s) return;
  const float f = FilledFraction(hwnd);
  FillBox(s.dc(), 0, 0, cw, ch, kSkinWhite);
  if (f != 0.0f) {
    if (GetWindowLongPtrW(hwnd, GWL_STYLE) & PBS_VERTICAL) {
      FillBox(s.dc(), 0, TopOfVerticalBar(ch, f), cw, Scaled(ch, f), kSkinBarColor);
    } else {
      FillBox(s.dc(), 0, 0, Scaled(cw, f), ch, kSkinBarColor);
    }
  }
  BitBlt(target, 0, 0, cw, ch, s.dc(), 0, 0, SRCCOPY);
}

LRESULT Paint(HWND hwnd, WPARAM wp) {
  if (wp) {
    DrawClient(hwnd, reinterpret_cast<HDC>(wp));
    return 0;
  }
  PaintDc paint(hwnd);
  DrawClient(hwnd, paint.get());
  return 0;
}

LRESULT NcPaint(HWND hwnd) {
  const EdgeSize edge = ClientEdgeSize(hwnd);
  const WindowBoxInfo box = WindowBox(hwnd);
  RECT rc{};
  GetClientRect(hwnd, &rc);
  const int cw = rc.right, ch = rc.bottom;
  const float f = FilledFraction(hwnd);
  const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  Surface s = Surface::Make(box.width, box.height);
  if (!s) return 0;
  FillBox(s.dc(), 0, 0, box.width, box.height, kSkinFrameColor);
  FillBox(s.dc(), 1, 1, box.width - 2, box.height - 2, kSkinWhite);
  if (f != 0.0f) {
    if (style & PBS_VERTICAL) {
      if (style & PBS_SMOOTH) FillBox(s.dc(), edge.bx, edge.by, cw, ch, kSkinBarColor);
      FillBox(s.dc(), edge.bx, edge.by, cw, TopOfVerticalBar(ch, f), kSkinWhite);
    } else {
      FillBox(s.dc(), edge.bx, edge.by, Scaled(cw, f), ch, kSkinBarColor);
    }
  }
  WindowDc window = WindowDc::Whole(hwnd);
  BitBlt(window.get(), 0, 0, box.width, box.height, s.dc(), 0, 0, SRCCOPY);
  return 0;
}

}  // namespace

LRESULT HandleProgressMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  switch (msg) {
    case WM_PAINT:
      return Paint(hwnd, wp);
    case WM_NCPAINT:
      return NcPaint(hwnd);
    default:
      return CallWindowProcW(old, hwnd, msg, wp, lp);
  }
}

}  // namespace sb
