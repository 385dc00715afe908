#include "skin/skin_pixel_art.h"

#include <algorithm>
#include <cmath>

#include "skin/skin_draw.h"

namespace sb {

namespace {

int Mix(int a, int b, double t) { return static_cast<int>(std::lround(a + (b - a) * t)); }

}  // namespace

COLORREF InkAt(const Ink& ink, int x, int y) {
  if (ink.start == ink.end) return ink.from;
  const int p = ink.diagonal ? x + y : y;
  const double t = std::clamp(static_cast<double>(p - ink.start) / (ink.end - ink.start), 0.0, 1.0);
  return RGB(Mix(GetRValue(ink.from), GetRValue(ink.to), t), Mix(GetGValue(ink.from), GetGValue(ink.to), t),
             Mix(GetBValue(ink.from), GetBValue(ink.to), t));
}

int DrawPixelArt(HDC dc, int left, int top, std::initializer_list<std::string_view> rows,
                 std::initializer_list<Ink> inks) {
  int set = 0;
  int y = 0;
  for (std::string_view row : rows) {
    for (int x = 0; x < static_cast<int>(row.size()); ++x) {
      const char letter = row[static_cast<size_t>(x)];
      if (letter == '-') {
        SetPixel(dc, left + x, top + y, kSkinKeyColor);
        ++set;
        continue;
      }
      auto ink = std::find_if(inks.begin(), inks.end(), [letter](const Ink& i) { return i.letter == letter; });
      if (ink == inks.end()) continue;
      SetPixel(dc, left + x, top + y, InkAt(*ink, x, y));
      ++set;
    }
    ++y;
  }
  return set;
}

}  // namespace sb
