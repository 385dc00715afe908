// SkinState: the skin module's one piece of module-wide state.
#pragma once

#include <windows.h>

#include "skin/skin_draw.h"

namespace sb {

struct SkinState {
  bool initialised = false;
  bool user32LeaveTracking = false;
  int attachCount = 0;
  // The five skin bitmaps (built at initialisation, freed at teardown).
  Surface buttonFaceStrip;   // 7 x 84
  Surface comboPartsStrip;   // 15 x 18
  Surface glyphStrip;        // 18 x 24
  Surface optionFaceStrip;   // 13 x 52
  Surface headerFaceStrip;   // 9 x 20
  // GDI objects the skin currently owns (counted at its own creation and
  // deletion points; Wine's GetGuiResources answers 0).
  long gdiObjects = 0;
};

SkinState& Skin();

// Decides once per skin lifetime whether user32 exports TrackMouseEvent.
void InitLeaveTracking(SkinState& state);

// Leave tracking: TRACKMOUSEEVENT with TME_LEAVE through user32 or comctl32.
void TrackLeave(HWND hwnd);
// The common "arm" step on WM_MOUSEMOVE: when MOUSEFLAG is 0 set it to 1 and TrackLeave.
void ArmLeaveTracking(HWND hwnd);

}  // namespace sb
