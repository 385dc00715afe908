#include "app/lyric_frame_pixels.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using sb::ComposeLyricFrame;
using sb::LyricColours;
using sb::LyricMasks;

uint32_t Alpha(uint32_t p) { return p >> 24; }
uint32_t Rgb(uint32_t p) { return p & 0xFFFFFF; }

// Four columns, two rows: the current line on row 0, the next on row 1.
LyricMasks TwoRows(std::initializer_list<uint8_t> text, std::initializer_list<uint8_t> outline) {
  LyricMasks m;
  m.currentBottom = 1;
  m.Resize(4, 2);
  m.text = text;
  m.outline = outline;
  return m;
}

TEST(LyricFramePixels, SungTextUnsungTextNextLineOutlineAndNothingElse) {
  const LyricColours c;
  const LyricMasks m = TwoRows({255, 255, 0, 0, 255, 0, 0, 0}, {255, 255, 255, 0, 255, 128, 0, 0});
  std::vector<uint32_t> px(8, 0xDEADBEEF);
  ComposeLyricFrame(m, 1, false, c, px.data());
  struct Want {
    int index;
    uint32_t rgb, alpha;
  };
  const Want want[] = {{0, c.sung, 255},   {1, c.unsung, 255}, {2, c.outline, 255}, {3, 0, 0},
                       {4, c.next, 255},   {6, 0, 0},          {7, 0, 0}};
  for (const Want& w : want) {
    SCOPED_TRACE(w.index);
    EXPECT_EQ(Rgb(px[w.index]), w.rgb);
    EXPECT_EQ(Alpha(px[w.index]), w.alpha);
  }
  EXPECT_EQ(Alpha(px[5]), 128u) << "a half-covered outline pixel is half opaque";
}

TEST(LyricFramePixels, TheFillColumnOnlySplitsTheCurrentLine) {
  const LyricColours c;
  const LyricMasks m = TwoRows({255, 255, 255, 255, 255, 255, 255, 255}, {0, 0, 0, 0, 0, 0, 0, 0});
  for (int fill : {-3, 0, 2, 4, 99}) {
    SCOPED_TRACE(fill);
    std::vector<uint32_t> px(8);
    ComposeLyricFrame(m, fill, false, c, px.data());
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(Rgb(px[x]), x < fill ? c.sung : c.unsung) << x;
      EXPECT_EQ(Rgb(px[4 + x]), c.next) << x;
    }
  }
}

TEST(LyricFramePixels, OnlyTheColumnsAskedForAreWritten) {
  const LyricMasks m = TwoRows({255, 255, 255, 255, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0});
  struct Case {
    int first, last;
  };
  for (const Case& c : {Case{1, 3}, Case{-5, 2}, Case{3, 99}, Case{2, 2}, Case{3, 1}}) {
    SCOPED_TRACE(testing::Message() << c.first << ".." << c.last);
    std::vector<uint32_t> px(8, 0xDEADBEEF);
    ComposeLyricFrame(m, 4, false, LyricColours{}, px.data(), c.first, c.last);
    for (int x = 0; x < 4; ++x) {
      const bool written = x >= c.first && x < c.last;
      EXPECT_EQ(px[x] == 0xDEADBEEF, !written) << x;
      EXPECT_EQ(px[4 + x] == 0xDEADBEEF, !written) << x;
    }
  }
}

TEST(LyricFramePixels, HoverGivesEveryPixelAFaintBackground) {
  LyricColours c;
  c.hover = 0x00FFFFFF;
  const LyricMasks m = TwoRows({0, 0, 0, 0, 0, 0, 0, 255}, {0, 0, 0, 0, 0, 0, 0, 0});
  std::vector<uint32_t> px(8);
  ComposeLyricFrame(m, 0, true, c, px.data());
  EXPECT_EQ(px[0], static_cast<uint32_t>(c.hoverAlpha) << 24 | c.hoverAlpha * 0x010101u);
  EXPECT_EQ(Alpha(px[7]), 255u);
  ComposeLyricFrame(m, 0, false, c, px.data());
  EXPECT_EQ(px[0], 0u);
}

// Premultiplied: no channel ever exceeds its alpha, whatever the coverage.
TEST(LyricFramePixels, EveryPixelIsPremultiplied) {
  std::mt19937 random(7);
  LyricMasks m;
  m.currentBottom = 20;
  m.Resize(64, 40);
  for (size_t i = 0; i < m.text.size(); ++i) {
    m.text[i] = static_cast<uint8_t>(random());
    m.outline[i] = static_cast<uint8_t>(random());
  }
  std::vector<uint32_t> px(m.text.size());
  for (bool hover : {false, true}) {
    ComposeLyricFrame(m, 31, hover, LyricColours{}, px.data());
    for (uint32_t p : px)
      for (int shift : {0, 8, 16}) ASSERT_LE((p >> shift) & 0xFF, Alpha(p));
  }
}

}  // namespace
