#include "controls/progressbar/theme_palette.h"

namespace sb {

namespace {

// Track top, track bottom, bar top, bar bottom (start and end each), outline;
// as #RRGGBB.
constexpr std::uint32_t kFixedThemes[9][9] = {
    {0xF8F6F2, 0xE9E3D3, 0xE2D7B6, 0xEFE9D7, 0xFBF4DF, 0xEFD585, 0xCBA639, 0xEDE0BB, 0xCCA83E},
    {0xF7F8F2, 0xE7E9D3, 0xDEE2B6, 0xEDEFD7, 0xF9FBDF, 0xE6EF85, 0xBECB39, 0xE9EDBB, 0xC0CC3E},
    {0xF2F8F3, 0xD3E9D5, 0xB6E2BA, 0xD7EFD9, 0xDFFBE1, 0x85EF8E, 0x39CB46, 0xBBEDBF, 0x3ECC4A},
    {0xF2F8F7, 0xD3E9E7, 0xB6E2DE, 0xD7EFED, 0xDFFBF9, 0x85EFE6, 0x39CBBE, 0xBBEDE9, 0x3ECCC0},
    {0xF3F2F8, 0xD5D3E9, 0xBAB6E2, 0xD9D7EF, 0xE1DFFB, 0x8E85EF, 0x4639CB, 0xBFBBED, 0x4A3ECC},
    {0xF8F2F7, 0xE9D3E7, 0xE2B6DE, 0xEFD7ED, 0xFBDFF9, 0xEF85E6, 0xCB39BE, 0xEDBBE9, 0xCC3EC0},
    {0xF8F2F2, 0xE9D3D3, 0xE2B6B6, 0xEFD7D7, 0xFBDFDF, 0xEF8585, 0xCB3939, 0xEDBBBB, 0xCC3E3E},
    {0xFAFDFE, 0xE4F3FC, 0xC7E6F9, 0xEDF7FD, 0xE1F7FF, 0x43D0FF, 0x3F70E9, 0x3FE2F6, 0x178BD3},
    {0xE7F3E8, 0xE1DBE1, 0xB3BDB3, 0xE2EEE2, 0xDFFBDF, 0x6CFF6C, 0x1AE41A, 0xD9F4D9, 0xBCB8BC},
};

void FillPairs(ColourTable& table, const std::array<Colour, 8>& even, Colour outline) {
  for (int k = 0; k < 8; ++k) {
    table[2 * k] = even[k];
    table[2 * k + 1] = even[k];
  }
  table[16] = outline;
}

}  // namespace

bool LoadThemeColours(int theme, Colour customBar, Colour customTrack, ColourTable& table) {
  if (theme >= 1 && theme <= 9) {
    const auto& t = kFixedThemes[theme - 1];
    std::array<Colour, 8> even{};
    for (int k = 0; k < 8; ++k) even[k] = FromRgbHex(t[k]);
    FillPairs(table, even, FromRgbHex(t[8]));
    return true;
  }
  if (theme == kCustomTheme) {
    const Colour T = customTrack, B = customBar;
    FillPairs(table,
              {LightenColour(T, 180), LightenColour(T, 50), T, LightenColour(T, 80), LightenColour(B, 180),
               LightenColour(B, 50), B, LightenColour(B, 80)},
              B);
    return true;
  }
  return false;
}

}  // namespace sb
