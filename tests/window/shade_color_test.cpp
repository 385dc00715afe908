#include <gtest/gtest.h>

#include "window/shade_color.h"

namespace {

using sb::Module1::ShadeColor;
constexpr uint32_t kBase = 0xBF9F7F;  // #7F9FBF

TEST(ShadeColor, ShadesOfTheSteelBlueBase) {
  EXPECT_EQ(ShadeColor(kBase, 25), 0xD8B898u);
  EXPECT_EQ(ShadeColor(kBase, 50), 0xF1D1B1u);
  EXPECT_EQ(ShadeColor(kBase, 75), 0xFFEACAu);  // blue capped: #CAEAFF
  EXPECT_EQ(ShadeColor(kBase, -50), 0x8D6D4Du);
  EXPECT_EQ(ShadeColor(kBase, -75), 0x745434u);
  EXPECT_EQ(ShadeColor(kBase, 64), 0xFFDFBFu);
  EXPECT_EQ(ShadeColor(kBase, -64), 0x7F5F3Fu);
}

TEST(ShadeColor, ChannelsStayWithinTheirByte) {
  EXPECT_EQ(ShadeColor(0x000000, -50), 0x000000u);
  EXPECT_EQ(ShadeColor(0xFFFFFF, 50), 0xFFFFFFu);
  EXPECT_EQ(ShadeColor(0x0000FF, 1), 0x0101FFu);  // no carry from red into green
  EXPECT_EQ(ShadeColor(0x102030, -0x20), 0x000010u);
  EXPECT_EQ(ShadeColor(0x123456, 0), 0x123456u);
  EXPECT_EQ(ShadeColor(0x123456, 1000), 0xFFFFFFu);
  EXPECT_EQ(ShadeColor(0x123456, -1000), 0u);
}

}  // namespace
