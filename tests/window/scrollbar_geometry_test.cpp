#include <gtest/gtest.h>

#include "window/scrollbar_geometry.h"

namespace {

using sb::BarRect;
using sb::CalcArrows;
using sb::CalcParts;
using sb::CalcThumb;
using sb::ScrollNumbers;

constexpr int A = 17;  // arrow size
constexpr int W = 17;  // bar thickness

TEST(ScrollbarArrows, TrackAppearsFromTwoArrowsPlusEight) {
  auto g = CalcArrows(true, W, 2 * A + 8, A);
  EXPECT_TRUE(g.trackVisible);
  EXPECT_FALSE(g.middleVisible);
  EXPECT_EQ(g.firstArrow, (BarRect{0, 0, W, A}));
  EXPECT_EQ(g.secondArrow, (BarRect{0, A + 8, W, 2 * A + 8}));
  EXPECT_EQ(g.trackStart, A);
  EXPECT_EQ(g.trackLength, 8);
}

TEST(ScrollbarArrows, ShortBarsShowAMiddleArea) {
  auto g = CalcArrows(true, W, 2 * A + 7, A);
  EXPECT_FALSE(g.trackVisible);
  EXPECT_TRUE(g.middleVisible);
  EXPECT_EQ(g.firstArrow, (BarRect{0, 0, W, A}));
  EXPECT_EQ(g.secondArrow, (BarRect{0, A + 7, W, 2 * A + 7}));
  EXPECT_EQ(g.middle, (BarRect{0, A, W, A + 7}));

  g = CalcArrows(true, W, 2 * A + 1, A);
  EXPECT_TRUE(g.middleVisible);
  EXPECT_EQ(g.middle, (BarRect{0, A, W, A + 1}));
  EXPECT_EQ(g.trackLength, 1);
}

TEST(ScrollbarArrows, TooShortBarsSplitTheLengthBetweenTheArrows) {
  auto g = CalcArrows(true, W, 2 * A, A);
  EXPECT_FALSE(g.trackVisible);
  EXPECT_FALSE(g.middleVisible);
  EXPECT_EQ(g.firstArrow, (BarRect{0, 0, W, A}));
  EXPECT_EQ(g.secondArrow, (BarRect{0, A, W, 2 * A}));

  g = CalcArrows(true, W, 21, A);  // odd: one middle row
  EXPECT_TRUE(g.middleVisible);
  EXPECT_EQ(g.firstArrow, (BarRect{0, 0, W, 10}));
  EXPECT_EQ(g.secondArrow, (BarRect{0, 11, W, 21}));
  EXPECT_EQ(g.middle, (BarRect{0, 10, W, 11}));
  EXPECT_EQ(g.trackLength, 1);

  g = CalcArrows(true, W, 0, A);
  EXPECT_EQ(g.firstArrow, (BarRect{0, 0, W, 0}));
  EXPECT_EQ(g.trackLength, 0);
}

TEST(ScrollbarArrows, HorizontalBarsSwapTheAxes) {
  auto g = CalcArrows(false, 200, W, A);
  EXPECT_TRUE(g.trackVisible);
  EXPECT_EQ(g.firstArrow, (BarRect{0, 0, A, W}));
  EXPECT_EQ(g.secondArrow, (BarRect{200 - A, 0, 200, W}));
  g = CalcArrows(false, 13, W, A);
  EXPECT_EQ(g.firstArrow, (BarRect{0, 0, 6, W}));
  EXPECT_EQ(g.secondArrow, (BarRect{7, 0, 13, W}));
  EXPECT_EQ(g.middle, (BarRect{6, 0, 7, W}));
}

TEST(ScrollbarThumb, SizeFollowsThePageAndPositionTheScrollPosition) {
  ScrollNumbers n{0, 99, 10, 0, 0};
  auto t = CalcThumb(n, 17, 200, false);
  EXPECT_EQ(t.length, 20);
  EXPECT_EQ(t.position, 17);
  n.nPos = 90;  // last page
  t = CalcThumb(n, 17, 200, false);
  EXPECT_EQ(t.position, 17 + 180);
  n.nPos = 45;
  EXPECT_EQ(CalcThumb(n, 17, 200, false).position, 17 + 90);
  n.nTrackPos = 30;
  EXPECT_EQ(CalcThumb(n, 17, 200, true).position, 17 + 60);
  // Rounding as MulDiv: 33 * 180 / 90 = 66; 1 * 181 / 90 = 2.01 -> 2
  n = {0, 99, 10, 1, 0};
  EXPECT_EQ(CalcThumb(n, 0, 201, false).position, 2);
}

TEST(ScrollbarThumb, TinyPageOnALongRangeKeepsEightPixels) {
  ScrollNumbers n{0, 99999, 3, 99997, 0};
  auto t = CalcThumb(n, 17, 300, false);
  EXPECT_EQ(t.length, 8);
  EXPECT_EQ(t.position, 17 + 292);  // the last position puts it at the track's end
}

TEST(ScrollbarThumb, NothingToScrollGivesNoThumb) {
  EXPECT_EQ(CalcThumb({0, 9, 10, 0, 0}, 17, 100, false).length, 0);
  EXPECT_EQ(CalcThumb({0, 9, 10, 0, 0}, 17, 100, false).position, 17);
  EXPECT_EQ(CalcThumb({0, 0, 0, 0, 0}, 17, 100, false).length, 8);  // one position, no page
  EXPECT_GT(CalcThumb({0, 10, 10, 0, 0}, 17, 100, false).length, 0);
  // Offset ranges: the page covering nMin..nMax is nothing to scroll either.
  auto t = CalcThumb({5, 14, 10, 5, 0}, 17, 100, false);
  EXPECT_EQ(t.length, 0);
  EXPECT_EQ(t.position, 17);
}

TEST(ScrollbarParts, PageAreasSurroundTheThumb) {
  auto a = CalcArrows(true, W, 200, A);
  auto p = CalcParts(true, a, {60, 30});
  EXPECT_EQ(p.firstPage, (BarRect{0, A, W, 60}));
  EXPECT_EQ(p.thumb, (BarRect{0, 60, W, 90}));
  EXPECT_EQ(p.secondPage, (BarRect{0, 90, W, 200 - A}));
  auto h = CalcArrows(false, 300, W, A);
  auto q = CalcParts(false, h, {A, 40});
  EXPECT_EQ(q.firstPage, (BarRect{A, 0, A, W}));  // empty at the start
  EXPECT_EQ(q.thumb, (BarRect{A, 0, A + 40, W}));
  EXPECT_EQ(q.secondPage, (BarRect{A + 40, 0, 300 - A, W}));
}

TEST(ScrollbarMulDiv, RoundsHalfAwayFromZeroAndRejectsZeroDivisors) {
  EXPECT_EQ(sb::MulDivRounded(1, 3, 2), 2);
  EXPECT_EQ(sb::MulDivRounded(-1, 3, 2), -2);
  EXPECT_EQ(sb::MulDivRounded(1, 1, 3), 0);
  EXPECT_EQ(sb::MulDivRounded(7, 5, -2), -18);
  EXPECT_EQ(sb::MulDivRounded(5, 5, 0), -1);
  EXPECT_EQ(sb::MulDivRounded(2000000000, 2000000000, 1), -1);
  EXPECT_EQ(sb::MulDivRounded(2000000000, 3, 4), 1500000000);
}

}  // namespace
