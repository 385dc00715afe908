// GDI drawing of the progress bar: the two public gradient fills and the
// painting of a laid-out picture onto a device context.
#pragma once

#include <windows.h>

#include "controls/progressbar/progress_bar_layout.h"
#include "controls/progressbar/property_bag.h"
#include "platform/handles.h"

namespace sb {

// Linear gradient over (left, top)-(right, bottom); direction 0 runs left to
// right, 1 top to bottom. False when the platform refuses the fill.
bool GradientTwoColour(HDC dc, int direction, Colour start, Colour end, int left, int top, int right, int bottom);

// Four-corner gradient: the two sides are ramped from top to bottom, then each
// row from its left to its right colour, one row per call to the device.
// False for a negative size or a row too wide to address.
bool DrawGradientFourColour(HDC dc, int left, int top, int width, int height, Colour topLeft, Colour topRight,
                            Colour bottomLeft, Colour bottomRight);

// The caption font at `dpi`.
UniqueFont CreateTextFont(const FontDesc& font, int dpi);

// Clears to `background`, then the bands, the outline and the caption of `plan`.
void PaintPicture(HDC dc, const PicturePlan& plan, HFONT font, Colour background);

}  // namespace sb
