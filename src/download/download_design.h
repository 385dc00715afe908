// The saved design of the download window's progress bar (ProgressBar1), as its
// container stores it: the extent first, then the properties that differ from
// their defaults, under lower-case keys.
#pragma once

#include "controls/progressbar/property_bag.h"

namespace sb {

// The download window's ambient: its display name for the bar and its font.
Ambient DownloadWindowAmbient();
PropertyBag DownloadWindowProgressBarDesign();

// Hundredths of a millimetre for a design size in twips (1440 per inch).
int TwipsToHimetric(int twips);

}  // namespace sb
