// Window-free geometry of one custom scroll bar: arrows, thumb and page areas
// in the bar window's client pixels.
#pragma once

#include <cstdint>

namespace sb {

struct BarRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const BarRect&, const BarRect&) = default;
};

struct ArrowGeometry {
  BarRect firstArrow;   // left or up arrow
  BarRect secondArrow;  // right or down arrow
  BarRect middle;       // the plain gap between arrows when there is no track
  bool trackVisible = false;
  bool middleVisible = false;
  int trackStart = 0;
  int trackLength = 0;
};

// A bar of width x height with arrows of `arrowSize` along its length.
ArrowGeometry CalcArrows(bool vertical, int width, int height, int arrowSize);

struct ScrollNumbers {
  int nMin = 0;
  int nMax = 0;
  unsigned nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

struct ThumbGeometry {
  int position = 0;  // leading edge
  int length = 0;    // 0: nothing to scroll
};

constexpr int kMinThumbLength = 8;

// `tracking`: the thumb is being dragged, so it follows nTrackPos.
ThumbGeometry CalcThumb(const ScrollNumbers& info, int trackStart, int trackLength, bool tracking);

struct PartGeometry {
  BarRect firstPage;
  BarRect secondPage;
  BarRect thumb;
};

PartGeometry CalcParts(bool vertical, const ArrowGeometry& arrows, const ThumbGeometry& thumb);

// a * b / c rounded half away from zero through 64 bits; -1 when c is 0 or the
// result does not fit (the rules of the system's MulDiv).
int MulDivRounded(int a, int b, int c);

}  // namespace sb
