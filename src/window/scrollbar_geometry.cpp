#include "window/scrollbar_geometry.h"

namespace sb {

int MulDivRounded(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t num = static_cast<int64_t>(a) * b;
  int64_t den = c;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  const int64_t q = num >= 0 ? (num + den / 2) / den : (num - den / 2) / den;
  if (q > 2147483647 || q < -2147483647) return -1;
  return static_cast<int>(q);
}

ArrowGeometry CalcArrows(bool vertical, int width, int height, int arrowSize) {
  ArrowGeometry g;
  const int length = vertical ? height : width;
  const int across = vertical ? width : height;
  // Built along the bar as (start, end) pairs, then turned into rectangles.
  int firstEnd = 0, secondStart = 0, middleStart = 0, middleEnd = 0;
  if (length >= 2 * arrowSize + 8) {
    firstEnd = arrowSize;
    secondStart = length - arrowSize;
    g.trackVisible = true;
  } else if (length > 2 * arrowSize) {
    firstEnd = arrowSize;
    secondStart = length - arrowSize;
    middleStart = arrowSize;
    middleEnd = length - arrowSize;
    g.middleVisible = true;
  } else {
    firstEnd = length / 2;
    secondStart = length / 2 + length % 2;
    if (length % 2) {
      middleStart = length / 2;
      middleEnd = length / 2 + 1;
      g.middleVisible = true;
    }
  }
  auto span = [&](int from, int to) {
    return vertical ? BarRect{0, from, across, to} : BarRect{from, 0, to, across};
  };
  g.firstArrow = span(0, firstEnd);
  g.secondArrow = span(secondStart, length);
  if (g.middleVisible) g.middle = span(middleStart, middleEnd);
  g.trackStart = firstEnd;
  g.trackLength = secondStart - firstEnd;
  return g;
}

ThumbGeometry CalcThumb(const ScrollNumbers& info, int trackStart, int trackLength, bool tracking) {
  ThumbGeometry t;
  t.position = trackStart;
  const int64_t range = static_cast<int64_t>(info.nMax) - info.nMin + 1;
  // The page covers the whole range: nothing to scroll (with nMin 0 this is nMax < nPage).
  if (range <= static_cast<int64_t>(info.nPage)) return t;
  const int page = static_cast<int>(info.nPage);
  const int rangeInt = static_cast<int>(range > 2147483647 ? 2147483647 : range);
  int length = MulDivRounded(page, trackLength, rangeInt);
  if (length < kMinThumbLength) length = kMinThumbLength;
  t.length = length;
  const int pos = tracking ? info.nTrackPos : info.nPos;
  const int offset = MulDivRounded(pos - info.nMin, trackLength - length, rangeInt - page);
  t.position = trackStart + (offset < 0 ? 0 : offset);
  return t;
}

PartGeometry CalcParts(bool vertical, const ArrowGeometry& a, const ThumbGeometry& t) {
  PartGeometry p;
  const int start = t.position;
  const int end = t.position + t.length;
  if (vertical) {
    p.firstPage = {0, a.firstArrow.bottom, a.firstArrow.right, start};
    p.secondPage = {0, end, a.secondArrow.right, a.secondArrow.top};
    p.thumb = {0, start, a.secondArrow.right, end};
  } else {
    p.firstPage = {a.firstArrow.right, 0, start, a.firstArrow.bottom};
    p.secondPage = {end, 0, a.secondArrow.left, a.secondArrow.bottom};
    p.thumb = {start, 0, end, a.secondArrow.bottom};
  }
  return p;
}

}  // namespace sb
