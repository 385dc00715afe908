// One line of text that may hold characters beyond the Basic Multilingual
// Plane (UTF-16 surrogate pairs: CJK Extension B, most emoji). Wine's GDI
// draws each half of such a pair as a glyph of its own, so a line holding
// one is drawn in pieces: each run of BMP text with ExtTextOutW in the DC's
// font (font linking still fills in the BMP characters that font lacks), each
// supplementary character shaped through Uniscribe in the first of the DC's
// font and the fallback faces (SimSun-ExtB, HanaMinB, Segoe UI Symbol, Segoe
// UI Emoji, Symbola, at the font's height) that has a glyph for it. A line
// without a surrogate pair goes to the GDI call named below, unchanged.
//
// Window-free; the DC's font, text colour and background mode are used and
// left as they were. Prefix characters (&) are not interpreted.
#pragma once

#include <windows.h>

#include <string_view>

namespace sb {

// True when `text` holds a high surrogate followed by a low one.
bool HasSurrogatePair(std::wstring_view text);

// DrawTextW(dc, text, &rect, flags) for a single line. With a surrogate pair
// it honours DT_LEFT/DT_CENTER/DT_RIGHT, DT_TOP/DT_VCENTER/DT_BOTTOM,
// DT_END_ELLIPSIS (whole characters, then "..."), DT_NOCLIP and DT_CALCRECT
// (rect's right and bottom become the line's extent); returns the height.
int DrawTextLine(HDC dc, std::wstring_view text, RECT& rect, UINT flags);

// GetTextExtentPoint32W for the line as DrawTextLine draws it.
SIZE TextLineExtent(HDC dc, std::wstring_view text);

// TextOutW(dc, x, y, text) for a DC whose text alignment is TA_LEFT | TA_TOP.
void TextOutLine(HDC dc, int x, int y, std::wstring_view text);

}  // namespace sb
