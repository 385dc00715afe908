#include "window/scrollbar_painter.h"

#include "window/scrollbar_drawing.h"

namespace sb {

using namespace Module1;

void m_oSB_OnPaint(cCoolScrollbars& scrollbars, HDC hDC, int ScrollBarID, int x1, int y1, int x2, int y2,
                   int Part, bool Pressed) {
  if (static_cast<unsigned>(Part) > 6) return;
  const COLORREF base = kScrollbarBase;
  if (Part == 6) {
    if (scrollbars.HasSizer()) {
      DrawScrollGlyph(hDC, x1, y1, x2, y2, DFCS_SCROLLSIZEGRIP, base, ShadeColor(base, -50));
    } else {
      FillSolidRect(hDC, x1, y1, x2, y2, base);
    }
    return;
  }
  // Only the two bars have an enabled state; anything else paints disabled.
  const bool enabled = (ScrollBarID == 0 || ScrollBarID == 1) && scrollbars.Enabled(ScrollBarID);
  const COLORREF face = TranslateSysColor(0x8000000F);
  const COLORREF shadow = TranslateSysColor(0x80000010);
  switch (Part) {
    case 0:
    case 1: {
      const UINT glyph = (ScrollBarID == 0 ? DFCS_SCROLLLEFT : DFCS_SCROLLUP) + Part;
      if (!enabled) {
        DrawScrollGlyph(hDC, x1, y1, x2, y2, glyph, face, shadow);
        Draw3DBox(hDC, x1, y1, x2, y2, face, false);
      } else if (!Pressed) {
        DrawScrollGlyph(hDC, x1, y1, x2, y2, glyph, base, ShadeColor(base, -75));
        Draw3DBox(hDC, x1, y1, x2, y2, base, false);
      } else {
        DrawScrollGlyph(hDC, x1, y1, x2, y2, glyph, ShadeColor(base, -50), ShadeColor(base, 75));
        DrawFlatBox(hDC, x1, y1, x2, y2, ShadeColor(base, -75));
      }
      break;
    }
    case 2:
    case 3:
      FillSolidRect(hDC, x1, y1, x2, y2,
                    !enabled ? face : (Pressed ? ShadeColor(base, -50) : ShadeColor(base, 50)));
      break;
    case 4:
      FillSolidRect(hDC, x1, y1, x2, y2, enabled ? ShadeColor(base, 25) : face);
      break;
    case 5:
      if (!enabled) {
        DrawFlatBox(hDC, x1, y1, x2, y2, shadow);
        FillSolidRect(hDC, x1 + 1, y1 + 1, x2 - 1, y2 - 1, face);
      } else if (!Pressed) {
        Draw3DBox(hDC, x1, y1, x2, y2, base, false);
        FillSolidRect(hDC, x1 + 1, y1 + 1, x2 - 1, y2 - 1, base);
      } else {
        DrawFlatBox(hDC, x1, y1, x2, y2, ShadeColor(base, -75));
        FillSolidRect(hDC, x1 + 1, y1 + 1, x2 - 1, y2 - 1, ShadeColor(base, -50));
      }
      break;
    default:
      break;
  }
}

}  // namespace sb
