// Check boxes and option buttons: the skin paints the box or circle over the
// control's own one; caption and background stay the control's.
#include "platform/dpi.h"
#include "platform/handles.h"
#include "skin/skin_draw.h"
#include "skin/skin_kind.h"
#include "skin/skin_painters.h"
#include "skin/skin_props.h"
#include "skin/skin_state.h"

namespace sb {

namespace {

struct BoxGeometry {
  int cx, cy, y0;
};

BoxGeometry Geometry(HWND hwnd) {
  const int cx = SystemMetricAt(SM_CXMENUCHECK, WindowDpi(hwnd));
  const int cy = SystemMetricAt(SM_CYMENUCHECK, WindowDpi(hwnd));
  return {cx, cy, HalfToEven(WindowBox(hwnd).height - cy)};
}

// Stores the state; false when an unforced paint would repeat the last one.
bool TakeState(HWND hwnd, int state, bool forced) {
  if (!forced && GetSkinProp(hwnd, kPropOldState) == state) return false;
  SetSkinProp(hwnd, kPropOldState, state);
  return true;
}

int CheckState(HWND hwnd) { return static_cast<int>(SendMessageW(hwnd, BM_GETCHECK, 0, 0)); }

BOOL CALLBACK RefreshOne(HWND child, LPARAM) {
  if (GetSkinProp(child, kPropProcAddr) == 0) return TRUE;
  switch (KindOf(child)) {
    case SkinKind::CheckBox:
      PaintCheckBox(child, 0, true);
      break;
    case SkinKind::OptionButton:
      PaintOptionBox(child, 0, true);
      break;
    default:
      break;
  }
  return TRUE;
}

// The pointer and key rows that check boxes and option buttons share.
template <typename Paint>
void AfterPointerMessage(HWND hwnd, UINT msg, WPARAM wp, Paint paint) {
  switch (msg) {
    case WM_PAINT:
      paint(hwnd, 0, true);
      break;
    case WM_MOUSEMOVE:
      ArmLeaveTracking(hwnd);
      paint(hwnd, (wp & MK_LBUTTON) ? 2 : 1, true);
      break;
    case WM_LBUTTONDOWN:
      paint(hwnd, 2, false);
      break;
    case WM_LBUTTONUP:
      paint(hwnd, 0, false);
      break;
    case WM_MOUSELEAVE:
      SetSkinProp(hwnd, kPropMouseFlag, 0);
      paint(hwnd, 0, false);
      break;
    case WM_KEYDOWN:
      if (wp == VK_SPACE) paint(hwnd, 2, false);
      break;
    case WM_KEYUP:
      if (wp == VK_SPACE) paint(hwnd, 0, false);
      break;
    default:
      break;
  }
}

}  // namespace

int PaintCheckBox(HWND hwnd, int state, bool forced) {
  if (!TakeState(hwnd, state, forced)) return 0;
  const BoxGeometry g = Geometry(hwnd);
  const int check = CheckState(hwnd);
  Surface s = Surface::Make(g.cx, g.cy);
  if (!s) return 0;
  WindowDc window = WindowDc::Whole(hwnd);
  const SkinState& skin = Skin();
  HDC box = s.dc();
  FillBox(box, 0, 0, g.cx, g.cy, kSkinWhite);
  const bool enabled = IsWindowEnabled(hwnd) != 0;
  if (enabled) {
    FrameBox(box, 0, 0, g.cx, g.cy, state == 2 ? kSkinPressedFrameColor : kSkinFrameColor);
    if (state == 1 || state == 2)
      StretchBlt(box, 1, 1, g.cx - 2, g.cy - 2, skin.optionFaceStrip.dc(), 1, state == 1 ? 17 : 30, 11, 5, SRCCOPY);
  } else {
    FrameBox(box, 0, 0, g.cx, g.cy, kSkinFrameColorDisabled);
  }
  if (check == BST_CHECKED) {
    KeyColorBlt(box, HalfToEven(g.cx - 9), HalfToEven(g.cy - 8), 9, 8, skin.glyphStrip.dc(), enabled ? 0 : 9, 0,
                kSkinKeyColor);
  } else if (check == BST_INDETERMINATE) {
    KeyColorBlt(box, HalfToEven(g.cx - 7), HalfToEven(g.cy - 7), 7, 7, skin.glyphStrip.dc(), enabled ? 1 : 10, 9,
                kSkinKeyColor);
  }
  BitBlt(window.get(), 0, g.y0, g.cx, g.cy, box, 0, 0, SRCCOPY);
  return 1;
}

int PaintOptionBox(HWND hwnd, int state, bool forced) {
  if (!TakeState(hwnd, state, forced)) return 0;
  const BoxGeometry g = Geometry(hwnd);
  const int check = CheckState(hwnd);
  WindowDc window = WindowDc::Whole(hwnd);
  const SkinState& skin = Skin();
  const bool enabled = IsWindowEnabled(hwnd) != 0;
  const int face = enabled ? state : 3;
  if (!enabled || (state >= 0 && state <= 2))
    NineGridBlt(window.get(), 0, g.y0, g.cx, g.cy, skin.optionFaceStrip.dc(), 0, 13 * face, 13, 13, 5, 5, 5, 5,
                kSkinKeyColor);
  if (check == BST_CHECKED)
    KeyColorBlt(window.get(), HalfToEven(g.cx - 5), HalfToEven(g.cy - 5) + g.y0, 5, 5, skin.glyphStrip.dc(),
                enabled ? 2 : 11, 18, kSkinKeyColor);
  return 1;
}

void RefreshCheckAndOption(HWND parent) { EnumChildWindows(parent, RefreshOne, 0); }

LRESULT HandleCheckBoxMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  if (msg == WM_NCPAINT) return FlatBorderNcPaint(hwnd, wp, lp, old);
  const LRESULT result = CallWindowProcW(old, hwnd, msg, wp, lp);
  AfterPointerMessage(hwnd, msg, wp, PaintCheckBox);
  return result;
}

LRESULT HandleOptionMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  if (msg == WM_NCPAINT) return FlatBorderNcPaint(hwnd, wp, lp, old);
  const LRESULT result = CallWindowProcW(old, hwnd, msg, wp, lp);
  if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS)
    PaintOptionBox(hwnd, 0, true);
  else
    AfterPointerMessage(hwnd, msg, wp, PaintOptionBox);
  return result;
}

}  // namespace sb
