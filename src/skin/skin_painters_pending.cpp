// Stand-ins for the painters that land in their own units (check boxes and
// option buttons, combo boxes, headers, progress bars, flat borders, and
// their bitmaps). Each unit that lands deletes its entries here; this file
// goes away with the last of them.
#include "skin/skin_painters.h"

namespace sb {

LRESULT HandleCheckBoxMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  return CallWindowProcW(old, hwnd, msg, wp, lp);
}
LRESULT HandleOptionMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  return CallWindowProcW(old, hwnd, msg, wp, lp);
}
int PaintCheckBox(HWND, int, bool) { return 0; }
int PaintOptionBox(HWND, int, bool) { return 0; }
void RefreshCheckAndOption(HWND) {}

LRESULT HandleComboMessage(SkinKind, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  return CallWindowProcW(old, hwnd, msg, wp, lp);
}
LRESULT HandleDropListMessage(SkinKind, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  return CallWindowProcW(old, hwnd, msg, wp, lp);
}
void PaintComboButton(HWND, HDC, int&, bool) {}

LRESULT HandleHeaderMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  return CallWindowProcW(old, hwnd, msg, wp, lp);
}
LRESULT HandleProgressMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  return CallWindowProcW(old, hwnd, msg, wp, lp);
}
LRESULT HandleGridMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old) {
  return CallWindowProcW(old, hwnd, msg, wp, lp);
}
void PaintHeaderItem(HWND, int, int) {}
LRESULT FlatBorderNcPaint(HWND hwnd, WPARAM wp, LPARAM lp, WNDPROC old) {
  return CallWindowProcW(old, hwnd, WM_NCPAINT, wp, lp);
}

Surface BuildComboPartsStrip() { return Surface{}; }
Surface BuildGlyphStrip() { return Surface{}; }
Surface BuildOptionFaceStrip() { return Surface{}; }
Surface BuildHeaderFaceStrip() { return Surface{}; }

}  // namespace sb
