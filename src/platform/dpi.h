// Screen scale. Design sizes are twips (1440 per inch, 15 per pixel at 96
// DPI) and points; this turns them into pixels at a given DPI. A window's DPI
// is the one its top-level window is laid out for: what WM_DPICHANGED last
// gave it (see SetWindowDpi), else what the system reports for it.
// The conversions are pure; the window functions belong to the UI thread.
#pragma once

#include <windows.h>

#include "platform/handles.h"

namespace sb {

inline constexpr int kDesignDpi = 96;
// WM_DPICHANGED_AFTERPARENT: a child hears it once its parent has a new DPI.
inline constexpr UINT kMsgDpiChangedAfterParent = 0x02E3;

// Rounded to the nearest pixel (halves away from zero), as MulDiv does.
int TwipsToPixelsAt(int twips, int dpi);
int PixelsToTwipsAt(int pixels, int dpi);
// A length given in pixels at 96 DPI, at `dpi`.
int ScaleForDpi(int designPixels, int dpi);
// LOGFONT height (negative: the character height) of a `points` font at `dpi`.
int FontHeightAt(int points, int dpi);

// The DPI of the screen when the program started (its system DPI).
int SystemDpi();
// The DPI `window`'s top-level window is laid out for.
int WindowDpi(HWND window);
// Records the DPI a top-level window has been laid out for.
void SetWindowDpi(HWND topLevel, int dpi);
// Drops the record, when the window is destroyed.
void ForgetWindowDpi(HWND topLevel);
// GetSystemMetrics at `dpi` where the system can tell, else scaled from the
// system DPI.
int SystemMetricAt(int index, int dpi);

// A font asked for by name, size in points, weight and character set, at `dpi`.
struct FontSpec {
  const wchar_t* face = L"宋体";
  int points = 9;
  bool bold = false;
  BYTE charset = GB2312_CHARSET;
};
UniqueFont MakeFontAt(const FontSpec& design, int dpi);

}  // namespace sb
