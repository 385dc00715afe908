#include "controls/progressbar/colour_maths.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace sb {

int RoundHalfEven(double x) {
  if (std::isnan(x)) return 0;
  constexpr double kMin = std::numeric_limits<int>::min();
  constexpr double kMax = std::numeric_limits<int>::max();
  if (x <= kMin) return std::numeric_limits<int>::min();
  if (x >= kMax) return std::numeric_limits<int>::max();
  double lower = std::floor(x);
  double frac = x - lower;
  double r = lower;
  if (frac > 0.5) {
    r = lower + 1;
  } else if (frac == 0.5) {
    r = std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
  }
  return static_cast<int>(r);
}

namespace {

int ClampByte(long long v) { return static_cast<int>(std::clamp<long long>(v, 0, 255)); }

std::uint8_t RampChannel(int count, int i, std::uint8_t from, std::uint8_t to) {
  int diff = static_cast<int>(to) - static_cast<int>(from);
  float step = (diff == 0 || count == 0) ? 0.0f : static_cast<float>(diff) / static_cast<float>(count);
  double v = static_cast<double>(from) + static_cast<double>(step) * static_cast<double>(i);
  return static_cast<std::uint8_t>(std::clamp(RoundHalfEven(v), 0, 255));
}

}  // namespace

Colour LightenColour(Colour c, int amount) {
  return MakeColour(ClampByte(static_cast<long long>(RedOf(c)) + amount),
                    ClampByte(static_cast<long long>(GreenOf(c)) + amount),
                    ClampByte(static_cast<long long>(BlueOf(c)) + amount));
}

Colour GreyColour(Colour c) {
  int g = RoundHalfEven((RedOf(c) + GreenOf(c) + BlueOf(c)) / 3.0);
  return MakeColour(g, g, g);
}

Bgr ToBgr(Colour c) {
  return Bgr{static_cast<std::uint8_t>(BlueOf(c)), static_cast<std::uint8_t>(GreenOf(c)),
             static_cast<std::uint8_t>(RedOf(c))};
}

std::optional<std::vector<Bgr>> ColourRamp(int count, Bgr start, Bgr end) {
  if (count < 0) return std::nullopt;
  std::vector<Bgr> ramp(static_cast<std::size_t>(count) + 1);
  for (int i = 0; i <= count; ++i) {
    ramp[static_cast<std::size_t>(i)] = Bgr{RampChannel(count, i, start.b, end.b), RampChannel(count, i, start.g, end.g),
                                            RampChannel(count, i, start.r, end.r)};
  }
  return ramp;
}

std::wstring FormatGeneral15(double x) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
  if (res.ec != std::errc()) return L"0";
  std::wstring out;
  for (const char* p = buf; p != res.ptr; ++p) out.push_back(*p == 'e' ? L'E' : static_cast<wchar_t>(*p));
  return out;
}

}  // namespace sb
