// List headers: every item drawn by the skin, with a hot item under the
// pointer and a pressed item under the held button.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "platform/handles.h"
#include "skin/skin_border.h"
#include "skin/skin_draw.h"
#include "skin/skin_painters.h"
#include "skin/skin_props.h"
#include "skin/skin_state.h"

namespace sb {

namespace {

constexpr UINT kItemTextFlags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;

int ItemCount(HWND hwnd) { return static_cast<int>(SendMessageW(hwnd, HDM_GETITEMCOUNT, 0, 0)); }

// An index the header does not know reads as an empty rectangle.
RECT ItemRect(HWND hwnd, int index) {
  RECT rc{};
  if (!SendMessageW(hwnd, HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rc))) return {};
  return rc;
}

std::wstring ItemText(HWND hwnd, int index) {
  wchar_t buffer[256] = {};
  HDITEMW item{};
  item.mask = HDI_TEXT;
  item.pszText = buffer;
  item.cchTextMax = 256;
  if (!SendMessageW(hwnd, HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item))) return {};
  const wchar_t* text = item.pszText ? item.pszText : buffer;
  std::wstring out;
  for (int i = 0; i < 255 && text[i]; ++i) out.push_back(text[i]);
  return out;
}

HFONT HeaderFont(HWND hwnd) { return reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)); }

void FaceOnto(HDC dc, int x, int width, int height, int state) {
  NineGridBlt(dc, x, 0, width, height, Skin().headerFaceStrip.dc(), 3 * state, 0, 3, 20, 1, 1, 1, 1);
}

int HitItem(HWND hwnd, LPARAM lp) {
  const int x = static_cast<short>(LOWORD(lp));
  const int n = ItemCount(hwnd);
  for (int i = 0; i < n; ++i) {
    const RECT rc = ItemRect(hwnd, i);
    if (rc.left <= x && x <= rc.right) return i;
  }
  return -1;
}

void DrawHeader(HWND hwnd, HDC target) {
  const WindowBoxInfo box = WindowBox(hwnd);
  Surface s = Surface::Make(box.width, box.height);
  if (!s) return;
  StretchBlt(s.dc(), 0, 0, box.width, box.height, Skin().headerFaceStrip.dc(), 1, 0, 1, 20, SRCCOPY);
  const int n = ItemCount(hwnd);
  if (n > 0) {
    const INT_PTR pressed = GetSkinProp(hwnd, kPropHdIndex);
    const INT_PTR hot = GetSkinProp(hwnd, kPropHmIndex);
    SelectGuard font(s.dc(), HeaderFont(hwnd));
    SetBkMode(s.dc(), TRANSPARENT);
    for (int i = 0; i < n; ++i) {
      const std::wstring text = ItemText(hwnd, i);
      const RECT rc = ItemRect(hwnd, i);
      const int state = i == pressed ? 2 : i == hot ? 1 : 0;
      FaceOnto(s.dc(), rc.left, rc.right - rc.left, box.height, state);
      if (!text.empty()) DrawTextBox(s.dc(), text, rc.left, 0, rc.right - rc.left, rc.bottom, kItemTextFlags);
    }
  }
  BitBlt(target, 0, 0, box.width, box.height, s.dc(), 0, 0, SRCCOPY);
}

LRESULT Paint(HWND hwnd, WPARAM wp) {
  if (wp) {
    DrawHeader(hwnd, reinterpret_cast<HDC>(wp));
    return 0;
  }
  PaintDc paint(hwnd);
  DrawHeader(hwnd, paint.get());
  return 0;
}

bool CursorOver(HWND hwnd) {
  POINT pt{};
  GetCursorPos(&pt);
  return WindowFromPoint(pt) == hwnd;
}

void AfterPointerMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOUSEMOVE: {
      ArmLeaveTracking(hwnd);
      const int hit = HitItem(hwnd, lp);
      const auto old = static_cast<int>(GetSkinProp(hwnd, kPropHmIndex));
      const auto pressed = static_cast<int>(GetSkinProp(hwnd, kPropHdIndex));
      if (hit == old) break;
      if (old >= 0 && old != pressed) PaintHeaderItem(hwnd, old, 0);
      // While the button is held the hot item stays where the press began.
      if (!(wp & MK_LBUTTON)) {
        SetSkinProp(hwnd, kPropHmIndex, hit);
        PaintHeaderItem(hwnd, hit, 1);
      } else if (hit == pressed) {
        PaintHeaderItem(hwnd, hit, 2);
      }
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const int hit = HitItem(hwnd, lp);
      SetSkinProp(hwnd, kPropHdIndex, hit);
      PaintHeaderItem(hwnd, hit, 2);
      break;
    }
    case WM_LBUTTONUP: {
      const auto was = static_cast<int>(GetSkinProp(hwnd, kPropHdIndex));
      SetSkinProp(hwnd, kPropHdIndex, -1);
      if (was >= 0) PaintHeaderItem(hwnd, was, CursorOver(hwnd) ? 0 : 1);
      break;
    }
    case WM_MOUSELEAVE: {
      const auto was = static_cast<int>(GetSkinProp(hwnd, kPropHmIndex));
      SetSkinProp(hwnd, kPropMouseFlag, 0);
      SetSkinProp(hwnd, kPropHdIndex, -1);
      SetSkinProp(hwnd, kPropHmIndex, -1);
      PaintHeaderItem(hwnd, was, 0);
      break;
    }
    default:
      break;
  }
}

}  // namespace

void PaintHeaderItem(HWND hwnd, int index, int state) {
  if (index < 0) return;
  const int height = WindowBox(hwnd).height;
  const RECT rc = ItemRect(hwnd, index);
  const int width = rc.right - rc.left;
  Surface s = Surface::Make(width, height);
  if (!s) return;
  SelectGuard font(s.dc(), HeaderFont(hwnd));
  SetBkMode(s.dc(), TRANSPARENT);
  FaceOnto(s.dc(), 0, width, height, state);
  const std::wstring text = ItemText(hwnd, index);
  if (!text.empty()) DrawTextBox(s.dc(), text, 0, 0, width, height, kItemTextFlags);
  WindowDc window = WindowDc::Whole(hwnd);
  BitBlt(window.get(), rc.left, 0, width, rc.bottom - rc.top, s.dc(), 0, 0, SRCCOPY);
}

LRESULT HandleHeaderMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  switch (msg) {
    case WM_PAINT:
      return Paint(hwnd, wp);
    case WM_NCPAINT:
      return FlatBorderNcPaint(hwnd, wp, lp, old);
    default: {
      const LRESULT result = CallWindowProcW(old, hwnd, msg, wp, lp);
      AfterPointerMessage(hwnd, msg, wp, lp);
      return result;
    }
  }
}

}  // namespace sb
