// Combo boxes and drive lists: a flat frame and a flat drop-down button whose
// face follows the pointer; drop-down lists and data lists get the frame only.
#include "platform/dpi.h"
#include "platform/handles.h"
#include "skin/skin_border.h"
#include "skin/skin_draw.h"
#include "skin/skin_painters.h"
#include "skin/skin_props.h"
#include "skin/skin_state.h"

namespace sb {

namespace {

LONG_PTR StyleOf(HWND hwnd) { return GetWindowLongPtrW(hwnd, GWL_STYLE); }

// The editable kind: its pointer only lights the button while over it.
bool IsDropDown(HWND hwnd) { return (StyleOf(hwnd) & 3) == CBS_DROPDOWN; }

bool InButtonArea(HWND hwnd, LPARAM lp) {
  const int x = static_cast<short>(LOWORD(lp));
  const int y = static_cast<short>(HIWORD(lp));
  const WindowBoxInfo box = WindowBox(hwnd);
  const int cx = SystemMetricAt(SM_CXVSCROLL, WindowDpi(hwnd));
  return x >= box.width - cx - 2 && x <= box.width - 2 && y >= 2 && y <= box.height - 2;
}

void PaintButton(HWND hwnd, int state, bool forced) { PaintComboButton(hwnd, nullptr, state, forced); }

bool CursorOver(HWND hwnd) {
  POINT pt{};
  GetCursorPos(&pt);
  return WindowFromPoint(pt) == hwnd;
}

void FrameWithInnerRing(HDC dc, HWND hwnd) {
  const WindowBoxInfo box = WindowBox(hwnd);
  FrameBox(dc, 0, 0, box.width, box.height, FrameColorFor(hwnd));
  FrameBox(dc, 1, 1, box.width - 2, box.height - 2, kSkinWhite);
}

void DrawDropDown(HWND hwnd, HDC dc) {
  const WindowBoxInfo box = WindowBox(hwnd);
  FillBox(dc, 0, 0, box.width, box.height, kSkinWhite);
  FrameBox(dc, 0, 0, box.width, box.height, FrameColorFor(hwnd));
  int state = static_cast<int>(GetSkinProp(hwnd, kPropOldState));
  PaintComboButton(hwnd, dc, state, true);
}

// A caller that hands a DC in wParam wants the picture there, not a paint cycle.
LRESULT PaintDropDownAlone(HWND hwnd, WPARAM wp) {
  if (wp) {
    DrawDropDown(hwnd, reinterpret_cast<HDC>(wp));
    return 0;
  }
  PaintDc paint(hwnd);
  DrawDropDown(hwnd, paint.get());
  return 0;
}

LRESULT PaintOverOwn(HWND hwnd, WPARAM wp, LPARAM lp, WNDPROC old) {
  const LRESULT result = CallWindowProcW(old, hwnd, WM_PAINT, wp, lp);
  WindowDc window = WindowDc::Whole(hwnd);
  FrameWithInnerRing(window.get(), hwnd);
  int state = static_cast<int>(GetSkinProp(hwnd, kPropOldState));
  PaintComboButton(hwnd, window.get(), state, true);
  return result;
}

void AfterPointerMessage(SkinKind kind, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  const bool combo = kind == SkinKind::ComboBox;
  switch (msg) {
    case WM_MOUSEMOVE: {
      ArmLeaveTracking(hwnd);
      int state = (wp & MK_LBUTTON) ? 2 : 1;
      if (combo && IsDropDown(hwnd) && !InButtonArea(hwnd, lp)) state = 0;
      PaintButton(hwnd, state, false);
      break;
    }
    case WM_LBUTTONDOWN:
      if (combo && IsDropDown(hwnd) && !InButtonArea(hwnd, lp)) break;
      PaintButton(hwnd, 2, false);
      break;
    case WM_LBUTTONUP:
      PaintButton(hwnd, CursorOver(hwnd) ? 1 : 0, false);
      break;
    case WM_MOUSELEAVE:
      SetSkinProp(hwnd, kPropMouseFlag, 0);
      PaintButton(hwnd, 0, false);
      break;
    case WM_WINDOWPOSCHANGING:
      PaintButton(hwnd, 0, false);
      break;
    default:
      break;
  }
}

}  // namespace

void PaintComboButton(HWND hwnd, HDC target, int& state, bool forced) {
  if (SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0)) state = 2;
  if (!forced && GetSkinProp(hwnd, kPropOldState) == state) return;
  if ((StyleOf(hwnd) & 2) == 0) return;  // a simple combo box has no button
  SetSkinProp(hwnd, kPropOldState, state);
  const WindowBoxInfo box = WindowBox(hwnd);
  const int bw = SystemMetricAt(SM_CXVSCROLL, WindowDpi(hwnd)) + 1;
  const int bh = box.height - 2;
  Surface s = Surface::Make(bw, bh);
  if (!s) return;
  const SkinState& skin = Skin();
  if (state == 1 || state == 2) {
    NineGridBlt(s.dc(), 0, 0, bw, bh, skin.comboPartsStrip.dc(), state == 1 ? 0 : 4, 0, 4, 18, 2, 1, 1, 1);
  } else {
    FillBox(s.dc(), 0, 0, bw, bh, kSkinWhite);
  }
  KeyColorBlt(s.dc(), HalfToEven(bw - 7), HalfToEven(box.height - 6), 7, 4, skin.comboPartsStrip.dc(), 8,
              IsWindowEnabled(hwnd) ? 0 : 4, kSkinKeyColor);
  WindowDc own;
  if (!target) {
    own = WindowDc::Whole(hwnd);
    target = own.get();
  }
  BitBlt(target, box.width - bw - 1, 1, bw, bh, s.dc(), 0, 0, SRCCOPY);
}

LRESULT HandleComboMessage(SkinKind kind, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  switch (msg) {
    case WM_NCPAINT:
      return FlatBorderNcPaint(hwnd, wp, lp, old);
    case WM_PAINT:
      if (kind == SkinKind::ComboBox && (StyleOf(hwnd) & 1) == 0) return PaintDropDownAlone(hwnd, wp);
      return PaintOverOwn(hwnd, wp, lp, old);
    default: {
      const LRESULT result = CallWindowProcW(old, hwnd, msg, wp, lp);
      AfterPointerMessage(kind, hwnd, msg, wp, lp);
      return result;
    }
  }
}

LRESULT HandleDropListMessage(SkinKind kind, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  if (msg == WM_NCPAINT && kind != SkinKind::DataList) return FlatBorderNcPaint(hwnd, wp, lp, old);
  const LRESULT result = CallWindowProcW(old, hwnd, msg, wp, lp);
  if (msg == WM_PAINT) {
    WindowDc window = WindowDc::Whole(hwnd);
    FrameWithInnerRing(window.get(), hwnd);
  }
  return result;
}

}  // namespace sb
