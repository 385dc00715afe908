#include <gtest/gtest.h>

#include "controls/progressbar/colour_maths.h"

namespace {

using sb::Bgr;
using sb::FromRgbHex;

TEST(ColourMaths, RoundHalfEvenGoesToTheEvenNeighbourOnTies) {
  EXPECT_EQ(sb::RoundHalfEven(12.5), 12);
  EXPECT_EQ(sb::RoundHalfEven(13.5), 14);
  EXPECT_EQ(sb::RoundHalfEven(89.17), 89);
  EXPECT_EQ(sb::RoundHalfEven(191.25), 191);
  EXPECT_EQ(sb::RoundHalfEven(-0.5), 0);
  EXPECT_EQ(sb::RoundHalfEven(-1.5), -2);
  EXPECT_EQ(sb::RoundHalfEven(-2.6), -3);
  EXPECT_EQ(sb::RoundHalfEven(0.49999999), 0);
  EXPECT_EQ(sb::RoundHalfEven(1e300), 2147483647);
  EXPECT_EQ(sb::RoundHalfEven(-1e300), -2147483647 - 1);
}

TEST(ColourMaths, ColoursAreRedInTheLowestByte) {
  EXPECT_EQ(FromRgbHex(0xC0FFFF), 0x00FFFFC0u);
  EXPECT_EQ(FromRgbHex(0x008080), 0x00808000u);
  EXPECT_EQ(sb::RedOf(0x00332211u), 0x11);
  EXPECT_EQ(sb::BlueOf(0x00332211u), 0x33);
}

TEST(ColourMaths, LightenColourRaisesEachChannelUpTo255) {
  EXPECT_EQ(sb::LightenColour(FromRgbHex(0x000000), 180), FromRgbHex(0xB4B4B4));
  EXPECT_EQ(sb::LightenColour(FromRgbHex(0xC8FF10), 80), FromRgbHex(0xFFFF60));
  EXPECT_EQ(sb::LightenColour(FromRgbHex(0x102030), 50), FromRgbHex(0x425262));
  EXPECT_EQ(sb::LightenColour(FromRgbHex(0xFFFFFF), 2147483647), FromRgbHex(0xFFFFFF));
  EXPECT_EQ(sb::LightenColour(FromRgbHex(0x101010), -100), FromRgbHex(0x000000));
}

TEST(ColourMaths, GreyColourIsTheRoundedMeanOfTheChannels) {
  EXPECT_EQ(sb::GreyColour(FromRgbHex(0xFF0000)), FromRgbHex(0x555555));
  EXPECT_EQ(sb::GreyColour(FromRgbHex(0x808080)), FromRgbHex(0x808080));
  // (225 + 247 + 255) / 3 = 242.33 -> 242
  EXPECT_EQ(sb::GreyColour(FromRgbHex(0xE1F7FF)), FromRgbHex(0xF2F2F2));
  // 1/3 rounds down, 2/3 rounds up
  EXPECT_EQ(sb::GreyColour(FromRgbHex(0x010000)), FromRgbHex(0x000000));
  EXPECT_EQ(sb::GreyColour(FromRgbHex(0x020000)), FromRgbHex(0x010101));
}

TEST(ColourMaths, ColourRampStepsInSinglePrecisionAndRoundsHalfToEven) {
  auto ramp = sb::ColourRamp(4, Bgr{0, 0, 0}, Bgr{255, 255, 255});
  ASSERT_TRUE(ramp);
  ASSERT_EQ(ramp->size(), 5u);
  const int expected[] = {0, 64, 128, 191, 255};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ((*ramp)[static_cast<size_t>(i)], (Bgr{static_cast<uint8_t>(expected[i]), static_cast<uint8_t>(expected[i]),
                                                     static_cast<uint8_t>(expected[i])}))
        << i;
  }
}

TEST(ColourMaths, ColourRampChannelsRunIndependentlyAndDownwards) {
  auto ramp = sb::ColourRamp(2, Bgr{10, 200, 255}, Bgr{20, 100, 0});
  ASSERT_TRUE(ramp);
  EXPECT_EQ((*ramp)[0], (Bgr{10, 200, 255}));
  EXPECT_EQ((*ramp)[1], (Bgr{15, 150, 128}));  // 255 - 127.5 = 127.5 -> 128
  EXPECT_EQ((*ramp)[2], (Bgr{20, 100, 0}));
}

TEST(ColourMaths, ColourRampEdgeCounts) {
  auto single = sb::ColourRamp(0, Bgr{1, 2, 3}, Bgr{9, 9, 9});
  ASSERT_TRUE(single);
  ASSERT_EQ(single->size(), 1u);
  EXPECT_EQ((*single)[0], (Bgr{1, 2, 3}));
  EXPECT_FALSE(sb::ColourRamp(-1, Bgr{}, Bgr{}));
  // A long ramp never leaves the byte range and ends on the end colour.
  auto longRamp = sb::ColourRamp(7919, Bgr{0, 255, 3}, Bgr{255, 0, 250});
  ASSERT_TRUE(longRamp);
  EXPECT_EQ(longRamp->back(), (Bgr{255, 0, 250}));
}

TEST(ColourMaths, FormatGeneral15WritesUpTo15SignificantDigits) {
  EXPECT_EQ(sb::FormatGeneral15(100.0 / 3.0), L"33.3333333333333");
  EXPECT_EQ(sb::FormatGeneral15(20.0), L"20");
  EXPECT_EQ(sb::FormatGeneral15(0.0), L"0");
  EXPECT_EQ(sb::FormatGeneral15(100.0), L"100");
  EXPECT_EQ(sb::FormatGeneral15(37.5), L"37.5");
  EXPECT_EQ(sb::FormatGeneral15(200.0 / 3.0), L"66.6666666666667");
  EXPECT_EQ(sb::FormatGeneral15(100.0 / 2147483647.0), L"4.6566128752458E-08");
}

}  // namespace
