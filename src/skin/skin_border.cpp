// Flat borders for windows with a sunken client edge, and the grid frame.
#include "skin/skin_border.h"

#include <commctrl.h>

#include "platform/dpi.h"
#include "platform/handles.h"
#include "skin/skin_draw.h"
#include "skin/skin_kind.h"
#include "skin/skin_painters.h"

namespace sb {

namespace {

// The colour of the brush an edit's parent hands it for its background, as
// the edit itself asks for it (read-only and disabled edits ask as statics).
COLORREF EditBackground(HWND edit, COLORREF fallback) {
  HWND parent = GetParent(edit);
  if (!parent) return fallback;
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return fallback;
  SetBkColor(dc.get(), fallback);
  const bool asStatic = !IsWindowEnabled(edit) || (GetWindowLongPtrW(edit, GWL_STYLE) & ES_READONLY);
  const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(parent, asStatic ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                                                            reinterpret_cast<WPARAM>(dc.get()),
                                                            reinterpret_cast<LPARAM>(edit)));
  LOGBRUSH lb{};
  if (brush && GetObjectW(brush, sizeof lb, &lb) == sizeof lb && lb.lbStyle == BS_SOLID) return lb.lbColor;
  return GetBkColor(dc.get());
}

}  // namespace

COLORREF FlatBorderBackground(HWND hwnd) {
  const COLORREF plain = GetBkColor(WindowDc::Client(hwnd).get());
  const std::wstring cls = LowerClassName(hwnd);
  if (cls == L"syslistview32") {
    const auto back = static_cast<COLORREF>(SendMessageW(hwnd, LVM_GETBKCOLOR, 0, 0));
    return back == CLR_NONE ? plain : back;
  }
  if (cls == L"edit" || cls == L"thundertextbox") return EditBackground(hwnd, plain);
  return plain;
}

EdgeSize ClientEdgeSize(HWND hwnd) {
  const WindowBoxInfo box = WindowBox(hwnd);
  RECT client{};
  GetClientRect(hwnd, &client);
  const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  const int vscroll = (style & WS_VSCROLL) ? SystemMetricAt(SM_CXVSCROLL, WindowDpi(hwnd)) : 0;
  const int hscroll = (style & WS_HSCROLL) ? SystemMetricAt(SM_CYHSCROLL, WindowDpi(hwnd)) : 0;
  return {HalfToEven(box.width - client.right - vscroll), HalfToEven(box.height - client.bottom - hscroll)};
}

COLORREF FrameColorFor(HWND hwnd) { return IsWindowEnabled(hwnd) ? kSkinFrameColor : kSkinFrameColorDisabled; }

LRESULT FlatBorderNcPaint(HWND hwnd, WPARAM wp, LPARAM lp, WNDPROC old) {
  const LRESULT result = CallWindowProcW(old, hwnd, WM_NCPAINT, wp, lp);
  if ((GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) == 0) return result;
  const EdgeSize edge = ClientEdgeSize(hwnd);
  const WindowBoxInfo box = WindowBox(hwnd);
  WindowDc window = WindowDc::Whole(hwnd);
  if (!window) return result;
  FrameBox(window.get(), 0, 0, box.width, box.height, FrameColorFor(hwnd));
  // The rings inside the outer line up to the client area; a ring at depth bx
  // would already lie on the client's first row and column.
  const COLORREF background = FlatBorderBackground(hwnd);
  for (int d = 1; d < edge.bx; ++d)
    FrameBox(window.get(), d, d, box.width - 2 * d, box.height - 2 * d, background);
  return result;
}

LRESULT HandleGridMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  if (msg == WM_NCPAINT) return FlatBorderNcPaint(hwnd, wp, lp, old);
  const LRESULT result = CallWindowProcW(old, hwnd, msg, wp, lp);
  if (msg == WM_PAINT && (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_BORDER)) {
    const WindowBoxInfo box = WindowBox(hwnd);
    WindowDc window = WindowDc::Whole(hwnd);
    FrameBox(window.get(), 0, 0, box.width, box.height, FrameColorFor(hwnd));
  }
  return result;
}

}  // namespace sb
