// The painters of the single control kinds, called from SkinWindowProc.
// Every Handle*Message receives the procedure that was in place before the
// skin (`old`) and does the whole handling of one message for its kind:
// forwarding with CallWindowProcW where its table forwards, painting, and the
// result. The router itself handles WM_DESTROY, WM_ACTIVATE, WM_ENTERIDLE,
// WM_CTLCOLORLISTBOX and runs RefreshCheckAndOption after WM_LBUTTONUP.
#pragma once

#include <windows.h>

#include "skin/skin_kind.h"
#include "skin/skin_state.h"

namespace sb {

// Push buttons.
LRESULT HandleButtonMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old);
void PaintButtonFaces(HWND hwnd);
void BlendButtonFace(HWND hwnd, HDC target);
void StartFade(HWND hwnd);
void StopFade(HWND hwnd);

// Check boxes and option buttons.
LRESULT HandleCheckBoxMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old);
LRESULT HandleOptionMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old);
int PaintCheckBox(HWND hwnd, int state, bool forced);
int PaintOptionBox(HWND hwnd, int state, bool forced);
void RefreshCheckAndOption(HWND parent);

// Combo boxes, drive lists, drop-down lists, data lists.
LRESULT HandleComboMessage(SkinKind kind, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old);
LRESULT HandleDropListMessage(SkinKind kind, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old);
void PaintComboButton(HWND hwnd, HDC target, int& state, bool forced);

// List headers, progress bars, grids, and the flat border of every other kind.
LRESULT HandleHeaderMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old);
LRESULT HandleProgressMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old);
LRESULT HandleGridMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, WNDPROC old);
void PaintHeaderItem(HWND hwnd, int index, int state);
// WM_NCPAINT of forms, "other" windows and the kinds whose table says
// "flat border rule": forward, then flatten a WS_EX_CLIENTEDGE border.
LRESULT FlatBorderNcPaint(HWND hwnd, WPARAM wp, LPARAM lp, WNDPROC old);

// Building the five bitmaps (every pixel set with SetPixel).
void BuildSkinBitmaps(SkinState& state);
Surface BuildButtonFaceStrip();
Surface BuildComboPartsStrip();
Surface BuildGlyphStrip();
Surface BuildOptionFaceStrip();
Surface BuildHeaderFaceStrip();

}  // namespace sb
