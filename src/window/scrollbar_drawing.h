// Module1: the small GDI routines of the scroll bar painter. Coordinates are
// x1, y1, x2, y2 with the right and bottom edges exclusive. Every GDI object a
// routine makes is deleted and every DC setting it changes is put back.
#pragma once

#include <windows.h>

#include "window/shade_color.h"

namespace sb::Module1 {

// An OLE colour (high bit set: a system colour index) as a plain colour.
COLORREF TranslateSysColor(DWORD oleColor);
void DrawLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF color);
void FillSolidRect(HDC dc, int x1, int y1, int x2, int y2, COLORREF color);
void DrawFlatBox(HDC dc, int x1, int y1, int x2, int y2, COLORREF color);
// Left and top in color +64, right and bottom in color -64; sunken swaps them.
void Draw3DBox(HDC dc, int x1, int y1, int x2, int y2, COLORREF color, bool sunken);
// A scroll bar glyph (DFCS_SCROLL* value) in glyphColor on faceColor.
void DrawScrollGlyph(HDC dc, int x1, int y1, int x2, int y2, UINT glyph, COLORREF faceColor,
                     COLORREF glyphColor);

}  // namespace sb::Module1
