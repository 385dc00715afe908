// Colour arithmetic of the progress bar, free of any window code.
// Colours are 0x00BBGGRR: red in the lowest byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sb {

using Colour = std::uint32_t;

constexpr Colour MakeColour(int r, int g, int b) {
  return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }
// #RRGGBB as written by designers, turned into 0x00BBGGRR.
constexpr Colour FromRgbHex(std::uint32_t rrggbb) {
  return MakeColour(static_cast<int>((rrggbb >> 16) & 0xFF), static_cast<int>((rrggbb >> 8) & 0xFF),
                    static_cast<int>(rrggbb & 0xFF));
}

// Nearest integer, ties to the even neighbour (2.5 -> 2, 3.5 -> 4). Values outside the
// 32-bit range saturate, NaN gives 0.
int RoundHalfEven(double x);

// Each of red, green and blue raised by `amount` and kept within 0..255.
Colour LightenColour(Colour c, int amount);

// The grey whose level is the mean of red, green and blue.
Colour GreyColour(Colour c);

// One pixel of a 24-bit device-independent row: blue, green, red.
struct Bgr {
  std::uint8_t b = 0, g = 0, r = 0;
  bool operator==(const Bgr&) const = default;
};
Bgr ToBgr(Colour c);

// count + 1 pixels from `start` (index 0) to `end` (index count). The step per
// channel is taken in single precision, each pixel rounded half to even.
// A negative count has no ramp.
std::optional<std::vector<Bgr>> ColourRamp(int count, Bgr start, Bgr end);

// A number as a general decimal with up to 15 significant digits: no trailing
// zeros, no point when whole ("33.3333333333333", "20", "4.6566128730774E-08").
std::wstring FormatGeneral15(double x);

}  // namespace sb
