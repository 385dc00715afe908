#include "window/scrollbar_drawing.h"

#include <ole2.h>
#include <olectl.h>

#include "platform/handles.h"

namespace sb::Module1 {

COLORREF TranslateSysColor(DWORD oleColor) {
  COLORREF color = 0;
  if (FAILED(::OleTranslateColor(static_cast<OLE_COLOR>(oleColor), nullptr, &color))) return 0;
  return color;
}

void DrawLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF color) {
  UniquePen pen(::CreatePen(PS_SOLID, 1, color));
  SelectGuard select(dc, pen.get());
  POINT old{};
  ::MoveToEx(dc, x1, y1, &old);
  ::LineTo(dc, x2, y2);
  ::MoveToEx(dc, old.x, old.y, nullptr);
}

void FillSolidRect(HDC dc, int x1, int y1, int x2, int y2, COLORREF color) {
  UniqueBrush brush(::CreateSolidBrush(color));
  RECT rc{x1, y1, x2, y2};
  ::FillRect(dc, &rc, brush.get());
}

namespace {
void Box(HDC dc, int x1, int y1, int x2, int y2, COLORREF lightEdges, COLORREF darkEdges) {
  DrawLine(dc, x1, y1, x1, y2, lightEdges);
  DrawLine(dc, x1, y1, x2, y1, lightEdges);
  DrawLine(dc, x2 - 1, y1, x2 - 1, y2, darkEdges);
  DrawLine(dc, x1, y2 - 1, x2, y2 - 1, darkEdges);
}
}  // namespace

void DrawFlatBox(HDC dc, int x1, int y1, int x2, int y2, COLORREF color) { Box(dc, x1, y1, x2, y2, color, color); }

void Draw3DBox(HDC dc, int x1, int y1, int x2, int y2, COLORREF color, bool sunken) {
  const COLORREF light = ShadeColor(color, 64);
  const COLORREF dark = ShadeColor(color, -64);
  if (sunken) {
    Box(dc, x1, y1, x2, y2, dark, light);
  } else {
    Box(dc, x1, y1, x2, y2, light, dark);
  }
}

void DrawScrollGlyph(HDC dc, int x1, int y1, int x2, int y2, UINT glyph, COLORREF faceColor,
                     COLORREF glyphColor) {
  const int w = x2 - x1, h = y2 - y1;
  if (w <= 0 || h <= 0) return;
  UniqueMemoryDc maskDc(::CreateCompatibleDC(dc));
  UniqueBitmap mask(::CreateBitmap(w, h, 1, 1, nullptr));
  UniqueMemoryDc drawDc(::CreateCompatibleDC(dc));
  UniqueBitmap drawing(::CreateCompatibleBitmap(dc, w, h));
  if (!maskDc || !mask || !drawDc || !drawing) return;
  SelectGuard selectMask(maskDc.get(), mask.get());
  SelectGuard selectDrawing(drawDc.get(), drawing.get());
  RECT rc{0, 0, w, h};
  ::DrawFrameControl(drawDc.get(), &rc, DFC_SCROLL, glyph | DFCS_FLAT);
  // Pixels in the button-text colour (the glyph) become 1 bits, all others 0.
  ::SetBkColor(drawDc.get(), ::GetSysColor(COLOR_BTNTEXT));
  ::BitBlt(maskDc.get(), 0, 0, w, h, drawDc.get(), 0, 0, SRCCOPY);
  // 1 bits come out in the background colour, 0 bits in the text colour.
  const COLORREF oldBack = ::SetBkColor(dc, glyphColor);
  const COLORREF oldText = ::SetTextColor(dc, faceColor);
  ::BitBlt(dc, x1, y1, w, h, maskDc.get(), 0, 0, SRCCOPY);
  ::SetBkColor(dc, oldBack);
  ::SetTextColor(dc, oldText);
}

}  // namespace sb::Module1
