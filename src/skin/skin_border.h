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

}  // namespace sb
