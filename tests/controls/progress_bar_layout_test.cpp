#include <gtest/gtest.h>

#include "controls/progressbar/progress_bar_layout.h"

namespace {

using sb::Colour;
using sb::FromRgbHex;
using sb::GradientBand;
using sb::PicturePlan;
using sb::ProgressBarModel;

ProgressBarModel NewBar() {
  ProgressBarModel m;
  m.InitNewInstance(sb::Ambient{L"ProgressBar1", sb::FontDesc{L"宋体", 9, 400, 134}});
  return m;
}

PicturePlan Plan(const ProgressBarModel& m, double w, double h) {
  sb::ColourTable table{};
  return sb::PlanPicture(m, table, w, h);
}

TEST(ProgressBarLayout, Theme8DownloadBarAt37Percent) {
  ProgressBarModel m = NewBar();
  m.SetTheme(8);
  m.SetValue(37);
  PicturePlan p = Plan(m, 241, 25);
  EXPECT_EQ(p.barLength, 89);
  ASSERT_EQ(p.bandCount, 4);
  EXPECT_EQ(p.bands[0], (GradientBand{1, FromRgbHex(0xFAFDFE), FromRgbHex(0xE4F3FC), 0, 0, 241, 12}));
  EXPECT_EQ(p.bands[1], (GradientBand{1, FromRgbHex(0xC7E6F9), FromRgbHex(0xEDF7FD), 0, 12, 241, 25}));
  EXPECT_EQ(p.bands[2], (GradientBand{1, FromRgbHex(0xE1F7FF), FromRgbHex(0x43D0FF), 0, 0, 89, 12}));
  EXPECT_EQ(p.bands[3], (GradientBand{1, FromRgbHex(0x3F70E9), FromRgbHex(0x3FE2F6), 0, 12, 89, 25}));
  EXPECT_EQ(p.outline, FromRgbHex(0x178BD3));
  EXPECT_EQ(p.outlineRight, 240);
  EXPECT_EQ(p.outlineBottom, 24);
  EXPECT_EQ(p.corner, 5);
}

TEST(ProgressBarLayout, BarLengthRoundsHalfToEven) {
  ProgressBarModel m = NewBar();
  m.SetValue(50);
  EXPECT_EQ(Plan(m, 25, 10).barLength, 12);  // 12.5
  EXPECT_EQ(Plan(m, 27, 10).barLength, 14);  // 13.5
}

TEST(ProgressBarLayout, VerticalBarFillsFromTheTopInLeftAndRightBands) {
  ProgressBarModel m = NewBar();
  m.SetOrientations(2);
  m.SetValue(25);
  PicturePlan p = Plan(m, 31, 120);
  EXPECT_EQ(p.barLength, 30);
  ASSERT_EQ(p.bandCount, 4);
  EXPECT_EQ(p.bands[0].direction, 0);
  EXPECT_EQ(p.bands[0].right, 16);  // nearest(15.5)
  EXPECT_EQ(p.bands[1].left, 16);
  EXPECT_EQ(p.bands[1].bottom, 120);
  EXPECT_EQ(p.bands[2], (GradientBand{0, FromRgbHex(0xFBF4DF), FromRgbHex(0xEFD585), 0, 0, 16, 30}));
  EXPECT_EQ(p.bands[3], (GradientBand{0, FromRgbHex(0xCBA639), FromRgbHex(0xEDE0BB), 16, 0, 31, 30}));
}

TEST(ProgressBarLayout, OtherOrientationsDrawOnlyOutlineAndCaption) {
  ProgressBarModel m = NewBar();
  m.SetOrientations(3);
  PicturePlan p = Plan(m, 100, 20);
  EXPECT_EQ(p.bandCount, 0);
  EXPECT_EQ(p.outline, FromRgbHex(0xCCA83E));
  EXPECT_TRUE(p.hasCaption);
}

TEST(ProgressBarLayout, ValueZeroDrawsNoBarButValueOneDoesEvenWhenEmpty) {
  ProgressBarModel m = NewBar();
  m.SetValue(0);
  EXPECT_EQ(Plan(m, 241, 25).bandCount, 2);
  m.SetMax(1000);
  m.SetMin(1);
  m.SetValue(1);
  PicturePlan p = Plan(m, 241, 25);
  EXPECT_EQ(p.barLength, 0);
  EXPECT_EQ(p.bandCount, 4);
}

TEST(ProgressBarLayout, MinPlaysNoPartInThePercentage) {
  ProgressBarModel m = NewBar();
  m.SetMin(20);
  m.SetValue(20);
  PicturePlan p = Plan(m, 200, 20);
  EXPECT_DOUBLE_EQ(p.percent, 20.0);
  EXPECT_EQ(p.barLength, 40);
}

TEST(ProgressBarLayout, CaptionByTextStyle) {
  ProgressBarModel m = NewBar();
  m.SetMax(3);
  m.SetValue(1);
  m.SetTextStyle(1);
  EXPECT_EQ(Plan(m, 100, 20).caption, L"1");
  m.SetTextStyle(2);
  EXPECT_EQ(Plan(m, 100, 20).caption, L"33.3333333333333%");
  m.SetMax(5);
  EXPECT_EQ(Plan(m, 100, 20).caption, L"20%");
  m.SetTextStyle(3);
  m.SetText(L"下载进度");
  EXPECT_EQ(Plan(m, 100, 20).caption, L"下载进度");
  m.SetTextStyle(4);
  EXPECT_FALSE(Plan(m, 100, 20).hasCaption);
}

TEST(ProgressBarLayout, EffectsOutsideOneToFiveShowNoCaption) {
  ProgressBarModel m = NewBar();
  for (int effect : {0, 6, -1}) {
    m.SetTextEffect(effect);
    PicturePlan p = Plan(m, 100, 20);
    EXPECT_FALSE(p.hasCaption) << effect;
    EXPECT_TRUE(p.caption.empty());
  }
  m.SetTextEffect(5);
  EXPECT_TRUE(Plan(m, 100, 20).hasCaption);
}

TEST(ProgressBarLayout, DisabledGreysPaletteAndCaptionColours) {
  ProgressBarModel m = NewBar();
  m.SetTheme(8);
  m.SetTextForeColor(FromRgbHex(0xFF0000));
  m.SetTextEffectColor(FromRgbHex(0x008080));
  m.SetEnabled(false);
  PicturePlan p = Plan(m, 241, 25);
  EXPECT_EQ(p.bands[2].from, sb::GreyColour(FromRgbHex(0xE1F7FF)));
  EXPECT_EQ(p.bands[3].to, sb::GreyColour(FromRgbHex(0x3FE2F6)));
  EXPECT_EQ(p.outline, sb::GreyColour(FromRgbHex(0x178BD3)));
  EXPECT_EQ(p.textColour, FromRgbHex(0x555555));
  EXPECT_EQ(p.effectColour, FromRgbHex(0x555555));
}

TEST(ProgressBarLayout, CustomThemeFromBlackGivesGreyBandsAndBlackOutline) {
  ProgressBarModel m = NewBar();
  m.SetTheme(10);
  PicturePlan p = Plan(m, 241, 25);
  EXPECT_EQ(p.bands[0].from, FromRgbHex(0xB4B4B4));
  EXPECT_EQ(p.bands[0].to, FromRgbHex(0x323232));
  EXPECT_EQ(p.bands[1].from, FromRgbHex(0x000000));
  EXPECT_EQ(p.bands[1].to, FromRgbHex(0x505050));
  EXPECT_EQ(p.outline, FromRgbHex(0x000000));

  m.SetPBSCustomeColor1(FromRgbHex(0xC8FF10));
  m.SetPBSCustomeColor2(FromRgbHex(0x102030));
  p = Plan(m, 241, 25);
  EXPECT_EQ(p.bands[3].from, FromRgbHex(0xC8FF10));
  EXPECT_EQ(p.bands[3].to, FromRgbHex(0xFFFF60));
  EXPECT_EQ(p.bands[0].from, FromRgbHex(0xC4D4E4));
  EXPECT_EQ(p.outline, FromRgbHex(0xC8FF10));
}

TEST(ProgressBarLayout, UnknownThemeKeepsTheColoursOfThePreviousDrawing) {
  ProgressBarModel m = NewBar();
  sb::ColourTable table{};
  m.SetTheme(42);
  EXPECT_EQ(sb::PlanPicture(m, table, 50, 10).outline, 0u);  // a fresh table is black
  m.SetTheme(3);
  sb::PlanPicture(m, table, 50, 10);
  m.SetTheme(0);
  PicturePlan p = sb::PlanPicture(m, table, 50, 10);
  EXPECT_EQ(p.outline, FromRgbHex(0x3ECC4A));
  EXPECT_EQ(p.bands[0].from, FromRgbHex(0xF2F8F3));
}

TEST(ProgressBarLayout, NoMaxYetMeansNoBarRatherThanADivisionByZero) {
  ProgressBarModel fresh;
  fresh.SetOrientations(1);
  fresh.SetTextStyle(2);
  fresh.SetTextEffect(1);
  PicturePlan p = Plan(fresh, 100, 20);
  EXPECT_EQ(p.barLength, 0);
  EXPECT_EQ(p.caption, L"0%");
}

TEST(ProgressBarLayout, CaptionPlacementByAlignment) {
  // W 241, H 25, caption 48 x 12
  struct Case {
    int alignment, x, y;
  } cases[] = {{1, 1, 0},   {2, 1, 6},   {3, 1, 12},   {4, 96, 0},  {5, 96, 6},
               {6, 96, 12}, {7, 190, 0}, {8, 190, 6}, {9, 190, 12}, {0, 0, 0}, {10, 0, 0}};
  for (const Case& c : cases) {
    sb::CaptionOrigin o = sb::PlaceCaption(c.alignment, 241, 25, 48, 12);
    EXPECT_EQ(o.x, c.x) << c.alignment;
    EXPECT_EQ(o.y, c.y) << c.alignment;
  }
  // x: 120.5 - 24 - 1 = 95.5 -> 96 above; 120.5 - 25 - 1 = 94.5 -> 94. y: 12.5 - 6.5 - 1 = 5
  sb::CaptionOrigin o = sb::PlaceCaption(5, 241, 25, 50, 13);
  EXPECT_EQ(o.x, 94);
  EXPECT_EQ(o.y, 5);
}

TEST(ProgressBarLayout, CaptionCopiesInDrawingOrder) {
  const Colour text = FromRgbHex(0x0000FF), fx = FromRgbHex(0x00FF00), grey = FromRgbHex(0x808080);
  using sb::CaptionCopy;
  auto copies = [&](int effect) {
    sb::CaptionCopies c = sb::CaptionCopiesFor(effect, sb::CaptionOrigin{10, 20}, text, fx);
    return std::vector<CaptionCopy>(c.copies.begin(), c.copies.begin() + c.count);
  };
  EXPECT_EQ(copies(1), (std::vector<CaptionCopy>{{text, 10, 20}}));
  EXPECT_EQ(copies(2), (std::vector<CaptionCopy>{{fx, 9, 19}, {grey, 11, 21}, {text, 10, 20}}));
  EXPECT_EQ(copies(3), (std::vector<CaptionCopy>{{fx, 11, 21}, {grey, 9, 20}, {text, 10, 20}}));
  EXPECT_EQ(copies(4),
            (std::vector<CaptionCopy>{{fx, 11, 20}, {fx, 9, 20}, {fx, 10, 19}, {fx, 10, 21}, {text, 10, 20}}));
  EXPECT_EQ(copies(5), (std::vector<CaptionCopy>{{fx, 11, 21}, {text, 10, 20}}));
  EXPECT_TRUE(copies(0).empty());
  EXPECT_TRUE(copies(6).empty());
}

TEST(ProgressBarLayout, EqualSettingsGiveEqualPlansAndAnyChangeDiffers) {
  ProgressBarModel m = NewBar();
  m.SetTheme(8);
  m.SetValue(37);
  PicturePlan a = Plan(m, 241, 25);
  m.SetValue(37);
  EXPECT_EQ(Plan(m, 241, 25), a);
  m.SetText(L"K7QX ProgressBar!");
  EXPECT_FALSE(Plan(m, 241, 25) == a);
  m.SetText(L"K7QX ProgressBar");
  m.SetTextStyle(1);
  m.SetTextEffect(0);  // no caption: the number no longer matters
  PicturePlan hidden = Plan(m, 241, 25);
  m.SetMax(200);
  m.SetValue(74);
  EXPECT_EQ(Plan(m, 241, 25), hidden);
  EXPECT_FALSE(Plan(m, 241, 26) == hidden);
}

}  // namespace
