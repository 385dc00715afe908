// Sizes shared by the painters of borders and progress bars.
#pragma once

#include <windows.h>

namespace sb {

struct EdgeSize {
  int bx, by;
};
// Half the border thickness on each axis (scroll bars left out), halves to even.
EdgeSize ClientEdgeSize(HWND hwnd);
// SkinFrameColor, or SkinFrameColorDisabled for a disabled window.
COLORREF FrameColorFor(HWND hwnd);
// What fills a sunken border inside its flat line: the control's own
// background (a list view's colour, the brush an edit's parent gives it),
// else the background of a fresh client DC.
COLORREF FlatBorderBackground(HWND hwnd);

}  // namespace sb
