// The main window's painter for the custom scroll bars of its song list: a
// flat steel-blue look from one base colour and its shades, with the system's
// button colours for disabled bars.
#pragma once

#include <windows.h>

#include "window/cool_scrollbars.h"

namespace sb {

inline constexpr COLORREF kScrollbarBase = 0xBF9F7F;  // #7F9FBF

// Answers cCoolScrollbars::OnPaint for one part of a bar or the corner.
void m_oSB_OnPaint(cCoolScrollbars& scrollbars, HDC hDC, int ScrollBarID, int x1, int y1, int x2, int y2,
                   int Part, bool Pressed);

}  // namespace sb
