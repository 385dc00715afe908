// The skin's drawing primitives against real memory surfaces and real pixels.
#include <gtest/gtest.h>

#include "platform/handles.h"
#include "skin/skin_draw.h"
#include "skin/skin_state.h"

namespace {

using sb::Surface;

constexpr COLORREF kRed = RGB(0xE0, 0x10, 0x10);
constexpr COLORREF kGreen = RGB(0x10, 0xC0, 0x20);
constexpr COLORREF kBlue = RGB(0x10, 0x20, 0xD0);
constexpr COLORREF kGrey = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kOdd = RGB(0x12, 0x34, 0x56);

Surface Filled(int w, int h, COLORREF c) {
  Surface s = Surface::Make(w, h);
  sb::FillBox(s.dc(), 0, 0, w, h, c);
  return s;
}

TEST(HalfToEven, RoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(sb::HalfToEven(0), 0);
  EXPECT_EQ(sb::HalfToEven(1), 0);   // 0.5
  EXPECT_EQ(sb::HalfToEven(3), 2);   // 1.5
  EXPECT_EQ(sb::HalfToEven(4), 2);
  EXPECT_EQ(sb::HalfToEven(5), 2);   // 2.5
  EXPECT_EQ(sb::HalfToEven(7), 4);   // 3.5
  EXPECT_EQ(sb::HalfToEven(11), 6);  // 5.5
  EXPECT_EQ(sb::HalfToEven(-5), -2);
  EXPECT_EQ(sb::HalfToEven(-3), -2);
  EXPECT_EQ(sb::HalfToEven(-4), -2);
}

TEST(Surface, CountsItsObjectsAndFreesThem) {
  const long base = sb::Skin().gdiObjects;
  {
    Surface a = Surface::Make(10, 6);
    ASSERT_TRUE(a);
    EXPECT_EQ(a.width(), 10);
    EXPECT_EQ(a.height(), 6);
    EXPECT_EQ(sb::Skin().gdiObjects, base + 2);
    Surface b = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_TRUE(b);
    EXPECT_EQ(sb::Skin().gdiObjects, base + 2);
    Surface c = Surface::Make(3, 3);
    EXPECT_EQ(sb::Skin().gdiObjects, base + 4);
    c = std::move(b);
    EXPECT_EQ(sb::Skin().gdiObjects, base + 2);
    EXPECT_EQ(c.width(), 10);
    c.reset();
    EXPECT_FALSE(c);
    EXPECT_EQ(sb::Skin().gdiObjects, base);
  }
  EXPECT_EQ(sb::Skin().gdiObjects, base);
  EXPECT_FALSE(Surface::Make(0, 5));
  EXPECT_FALSE(Surface::Make(5, -1));
  EXPECT_EQ(sb::Skin().gdiObjects, base);
}

TEST(Boxes, FillAndFrameUseExclusiveRightAndBottom) {
  Surface s = Filled(10, 10, kOdd);
  sb::FillBox(s.dc(), 2, 3, 4, 2, kRed);
  EXPECT_EQ(GetPixel(s.dc(), 2, 3), kRed);
  EXPECT_EQ(GetPixel(s.dc(), 5, 4), kRed);
  EXPECT_EQ(GetPixel(s.dc(), 6, 4), kOdd);
  EXPECT_EQ(GetPixel(s.dc(), 5, 5), kOdd);
  sb::FrameBox(s.dc(), 0, 0, 10, 10, kBlue);
  EXPECT_EQ(GetPixel(s.dc(), 0, 0), kBlue);
  EXPECT_EQ(GetPixel(s.dc(), 9, 9), kBlue);
  EXPECT_EQ(GetPixel(s.dc(), 9, 5), kBlue);
  EXPECT_EQ(GetPixel(s.dc(), 1, 1), kOdd);
  EXPECT_EQ(GetPixel(s.dc(), 8, 8), kOdd);
}

// A 7 x 7 piece: 3-pixel corners red, green, blue, grey; the rest white with
// a black centre pixel column at x = 3.
Surface CornerPiece() {
  Surface p = Filled(7, 7, sb::kSkinWhite);
  sb::FillBox(p.dc(), 0, 0, 3, 3, kRed);
  sb::FillBox(p.dc(), 4, 0, 3, 3, kGreen);
  sb::FillBox(p.dc(), 0, 4, 3, 3, kBlue);
  sb::FillBox(p.dc(), 4, 4, 3, 3, kGrey);
  return p;
}

TEST(NineGridBlt, KeepsCornersAndStretchesTheMiddle) {
  Surface piece = CornerPiece();
  Surface t = Filled(40, 25, kOdd);
  ASSERT_NE(sb::NineGridBlt(t.dc(), 5, 2, 30, 20, piece.dc(), 0, 0, 7, 7, 3, 3, 3, 3), 0);
  // corners stay 3 x 3
  EXPECT_EQ(GetPixel(t.dc(), 5, 2), kRed);
  EXPECT_EQ(GetPixel(t.dc(), 7, 4), kRed);
  EXPECT_EQ(GetPixel(t.dc(), 8, 4), sb::kSkinWhite);
  EXPECT_EQ(GetPixel(t.dc(), 7, 5), sb::kSkinWhite);
  EXPECT_EQ(GetPixel(t.dc(), 32, 2), kGreen);
  EXPECT_EQ(GetPixel(t.dc(), 31, 2), sb::kSkinWhite);
  EXPECT_EQ(GetPixel(t.dc(), 5, 21), kBlue);
  EXPECT_EQ(GetPixel(t.dc(), 5, 18), sb::kSkinWhite);
  EXPECT_EQ(GetPixel(t.dc(), 34, 21), kGrey);
  EXPECT_EQ(GetPixel(t.dc(), 32, 19), kGrey);
  // the middle is the stretched white centre; outside the target is untouched
  EXPECT_EQ(GetPixel(t.dc(), 20, 12), sb::kSkinWhite);
  EXPECT_EQ(GetPixel(t.dc(), 4, 2), kOdd);
  EXPECT_EQ(GetPixel(t.dc(), 35, 21), kOdd);
  EXPECT_EQ(GetPixel(t.dc(), 20, 22), kOdd);
}

TEST(NineGridBlt, NoBordersStretchesTheWholePiece) {
  Surface piece = CornerPiece();
  Surface t = Filled(14, 14, kOdd);
  ASSERT_NE(sb::NineGridBlt(t.dc(), 0, 0, 14, 14, piece.dc(), 0, 0, 7, 7, 0, 0, 0, 0), 0);
  EXPECT_EQ(GetPixel(t.dc(), 5, 5), kRed);  // corner doubled in size
  EXPECT_EQ(GetPixel(t.dc(), 8, 5), kGreen);
  EXPECT_EQ(GetPixel(t.dc(), 13, 13), kGrey);
}

TEST(NineGridBlt, ZeroSizeDrawsNothing) {
  Surface piece = CornerPiece();
  Surface t = Filled(10, 10, kOdd);
  const long base = sb::Skin().gdiObjects;
  EXPECT_EQ(sb::NineGridBlt(t.dc(), 0, 0, 0, 10, piece.dc(), 0, 0, 7, 7, 3, 3, 3, 3), 0);
  EXPECT_EQ(sb::NineGridBlt(t.dc(), 0, 0, 10, 0, piece.dc(), 0, 0, 7, 7, 3, 3, 3, 3), 0);
  EXPECT_EQ(sb::NineGridBlt(t.dc(), 0, 0, 10, 10, piece.dc(), 0, 0, 0, 7, 3, 3, 3, 3), 0);
  EXPECT_EQ(sb::NineGridBlt(t.dc(), 0, 0, 10, 10, piece.dc(), 0, 0, 7, 0, 3, 3, 3, 3), 0);
  EXPECT_EQ(GetPixel(t.dc(), 0, 0), kOdd);
  EXPECT_EQ(GetPixel(t.dc(), 5, 5), kOdd);
  EXPECT_EQ(sb::Skin().gdiObjects, base);
}

TEST(NineGridBlt, KeyColourLeavesTheTargetVisible) {
  // a piece with key-coloured corner pixels and a key-coloured centre
  Surface piece = Filled(7, 7, kBlue);
  SetPixel(piece.dc(), 0, 0, sb::kSkinKeyColor);
  SetPixel(piece.dc(), 6, 6, sb::kSkinKeyColor);
  SetPixel(piece.dc(), 3, 3, sb::kSkinKeyColor);
  Surface t = Filled(20, 20, kGreen);
  const long base = sb::Skin().gdiObjects;
  ASSERT_NE(sb::NineGridBlt(t.dc(), 0, 0, 20, 20, piece.dc(), 0, 0, 7, 7, 3, 3, 3, 3, sb::kSkinKeyColor), 0);
  EXPECT_EQ(sb::Skin().gdiObjects, base);
  EXPECT_EQ(GetPixel(t.dc(), 0, 0), kGreen);
  EXPECT_EQ(GetPixel(t.dc(), 19, 19), kGreen);
  EXPECT_EQ(GetPixel(t.dc(), 10, 10), kGreen);  // stretched key centre
  EXPECT_EQ(GetPixel(t.dc(), 1, 0), kBlue);
  EXPECT_EQ(GetPixel(t.dc(), 18, 19), kBlue);
  EXPECT_EQ(GetPixel(t.dc(), 2, 10), kBlue);
  // without the key the magenta is copied
  Surface u = Filled(20, 20, kGreen);
  sb::NineGridBlt(u.dc(), 0, 0, 20, 20, piece.dc(), 0, 0, 7, 7, 3, 3, 3, 3);
  EXPECT_EQ(GetPixel(u.dc(), 0, 0), sb::kSkinKeyColor);
}

TEST(KeyColorBlt, CopiesAllButTheKeyColour) {
  // a 7 x 4 down arrow, key colour beside it, at (2, 1) in a larger source
  Surface src = Filled(12, 6, kRed);
  sb::FillBox(src.dc(), 2, 1, 7, 4, sb::kSkinKeyColor);
  for (int row = 0; row < 4; ++row) sb::FillBox(src.dc(), 2 + row, 1 + row, 7 - 2 * row, 1, kBlue);
  Surface t = Filled(10, 10, kGreen);
  const long base = sb::Skin().gdiObjects;
  sb::KeyColorBlt(t.dc(), 3, 5, 7, 4, src.dc(), 2, 1, sb::kSkinKeyColor);
  EXPECT_EQ(sb::Skin().gdiObjects, base);
  int arrow = 0, seeThrough = 0;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 7; ++x) {
      COLORREF c = GetPixel(t.dc(), 3 + x, 5 + y);
      bool inArrow = x >= y && x < 7 - y;
      EXPECT_EQ(c, inArrow ? kBlue : kGreen) << x << "," << y;
      (c == kGreen ? seeThrough : arrow)++;
    }
  EXPECT_EQ(arrow, 16);
  EXPECT_EQ(seeThrough, 12);
  // nothing outside the rectangle changes, including the source's red border
  EXPECT_EQ(GetPixel(t.dc(), 2, 5), kGreen);
  EXPECT_EQ(GetPixel(t.dc(), 3, 4), kGreen);
  EXPECT_EQ(GetPixel(t.dc(), 3, 9), kGreen);
}

TEST(KeyColorBlt, AcceptsACallersPalette) {
  Surface src = Filled(2, 1, sb::kSkinKeyColor);
  SetPixel(src.dc(), 1, 0, kBlue);
  Surface t = Filled(2, 1, kGreen);
  sb::UniquePalette pal(CreateHalftonePalette(sb::WindowDc::Client(nullptr).get()));
  ASSERT_TRUE(pal);
  sb::KeyColorBlt(t.dc(), 0, 0, 2, 1, src.dc(), 0, 0, sb::kSkinKeyColor, pal.get());
  EXPECT_EQ(GetPixel(t.dc(), 0, 0), kGreen);
  EXPECT_EQ(GetPixel(t.dc(), 1, 0), kBlue);
  // the caller's palette stays usable and is the caller's to free
  EXPECT_EQ(GetObjectType(pal.get()), static_cast<DWORD>(OBJ_PAL));
}

TEST(WindowBox, ReportsScreenRectangleAndSize) {
  sb::UniqueWindow w(
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 30, 40, 55, 21, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(w);
  sb::WindowBoxInfo b = sb::WindowBox(w.get());
  EXPECT_EQ(b.left, 30);
  EXPECT_EQ(b.top, 40);
  EXPECT_EQ(b.right, 85);
  EXPECT_EQ(b.bottom, 61);
  EXPECT_EQ(b.width, 55);
  EXPECT_EQ(b.height, 21);
}

}  // namespace
