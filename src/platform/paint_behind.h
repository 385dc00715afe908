// Drawing what lies behind a child window, for controls that show through
// to the form and to the windowed controls beneath them.
#pragma once

#include <windows.h>

namespace sb {

// Paints into `dc`, in the child's client coordinates, what its parent and
// the visible siblings beneath it in the Z order show at its place: the
// parent through WM_PRINTCLIENT (background included), then each sibling's
// client area through WM_PRINTCLIENT, the lowest first.
void PaintWhatLiesBehind(HWND child, HDC dc);

}  // namespace sb
