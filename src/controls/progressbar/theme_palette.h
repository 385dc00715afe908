// The working colours of a drawing: 17 entries in equal pairs (track top,
// track bottom, bar top, bar bottom, each start and end) and the outline.
#pragma once

#include <array>

#include "controls/progressbar/colour_maths.h"

namespace sb {

using ColourTable = std::array<Colour, 17>;

inline constexpr int kThemeCount = 10;
inline constexpr int kCustomTheme = 10;

// Fills `table` for themes 1..10 (10 derives from the custom colours: bar and
// track). Any other theme leaves the table untouched and returns false.
bool LoadThemeColours(int theme, Colour customBar, Colour customTrack, ColourTable& table);

}  // namespace sb
