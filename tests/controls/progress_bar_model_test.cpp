#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/download_design.h"
#include "controls/progressbar/progress_bar_model.h"
#include "controls/progressbar/property_bag.h"

namespace {

using sb::Colour;
using sb::FontDesc;
using sb::FromRgbHex;
using sb::PbProp;
using sb::ProgressBarModel;
using sb::PropertyBag;
using sb::PropValue;

const FontDesc kAmbientFont{L"宋体", 9, 400, 134};
const sb::Ambient kAmbient{L"ProgressBar1", kAmbientFont};

// Logs every key the model reads or writes, in order.
class RecordingBag : public PropertyBag {
 public:
  using PropertyBag::PropertyBag;
  mutable std::vector<std::wstring> reads;
  std::vector<std::wstring> writes;
  std::optional<PropValue> Read(std::wstring_view key) const override {
    reads.emplace_back(key);
    return PropertyBag::Read(key);
  }
  void Write(std::wstring_view key, const PropValue& value, const PropValue& def) override {
    writes.emplace_back(key);
    PropertyBag::Write(key, value, def);
  }
};

// Every property of a model, checked at once by ExpectSettings.
struct Settings {
  int max, min, value, roundedValue;
  bool enabled;
  int theme, textStyle, orientations;
  std::wstring text;
  Colour textEffectColor;
  int textEffect, textAlignment;
  FontDesc textFont;
  Colour textForeColor, customColor1, customColor2;
};

void ExpectSettings(const ProgressBarModel& m, const Settings& want) {
  EXPECT_EQ(m.Max(), want.max);
  EXPECT_EQ(m.Min(), want.min);
  EXPECT_EQ(m.Value(), want.value);
  EXPECT_EQ(m.RoundedValue(), want.roundedValue);
  EXPECT_EQ(m.Enabled(), want.enabled);
  EXPECT_EQ(m.Theme(), want.theme);
  EXPECT_EQ(m.TextStyle(), want.textStyle);
  EXPECT_EQ(m.Orientations(), want.orientations);
  EXPECT_EQ(m.Text(), want.text);
  EXPECT_EQ(m.TextEffectColor(), want.textEffectColor);
  EXPECT_EQ(m.TextEffect(), want.textEffect);
  EXPECT_EQ(m.TextAlignment(), want.textAlignment);
  EXPECT_EQ(m.TextFont(), want.textFont);
  EXPECT_EQ(m.TextForeColor(), want.textForeColor);
  EXPECT_EQ(m.PBSCustomeColor1(), want.customColor1);
  EXPECT_EQ(m.PBSCustomeColor2(), want.customColor2);
}

struct Logged {
  ProgressBarModel model;
  std::vector<PbProp> log;
  Logged() {
    model.SetChangeHook([this](PbProp p) { log.push_back(p); });
  }
};

ProgressBarModel Bounds(int min, int max, int value) {
  ProgressBarModel m;
  m.SetMax(max);
  m.SetMin(min);
  m.SetValue(value);
  return m;
}

TEST(ProgressBarModel, ValueClampsToTheBounds) {
  ProgressBarModel m = Bounds(0, 100, 50);
  m.SetValue(102);
  EXPECT_EQ(m.Value(), 100);
  m.SetValue(-5);
  EXPECT_EQ(m.Value(), 0);
  m.SetMin(20);
  m.SetValue(7);
  EXPECT_EQ(m.Value(), 20);
  m.SetValue(2147483647);
  EXPECT_EQ(m.Value(), 100);
}

TEST(ProgressBarModel, MaxIsAtLeastOneAndAboveMin) {
  ProgressBarModel m = Bounds(0, 100, 50);
  m.SetMax(0);
  EXPECT_EQ(m.Max(), 1);
  m.SetMax(-2147483647 - 1);
  EXPECT_EQ(m.Max(), 1);

  ProgressBarModel n = Bounds(30, 100, 40);
  n.SetMax(20);
  EXPECT_EQ(n.Max(), 31);
  EXPECT_EQ(n.Value(), 31);
  n.SetMax(30);
  EXPECT_EQ(n.Max(), 31);
}

TEST(ProgressBarModel, LoweringMaxBelowValueLowersValueThroughItsSetter) {
  Logged l;
  l.model.SetMax(100);
  l.model.SetValue(80);
  l.log.clear();
  l.model.SetMax(60);
  EXPECT_EQ(l.model.Max(), 60);
  EXPECT_EQ(l.model.Value(), 60);
  EXPECT_EQ(l.log, (std::vector<PbProp>{PbProp::Value, PbProp::Max}));

  l.log.clear();
  l.model.SetMax(90);  // Value stays where it is
  EXPECT_EQ(l.model.Value(), 60);
  EXPECT_EQ(l.log, (std::vector<PbProp>{PbProp::Max}));
}

TEST(ProgressBarModel, MinIsBelowMaxAndNotNegative) {
  ProgressBarModel m = Bounds(0, 100, 50);
  m.SetMin(100);
  EXPECT_EQ(m.Min(), 99);
  EXPECT_EQ(m.Value(), 99);
  m.SetMin(-10);
  EXPECT_EQ(m.Min(), 0);
  m.SetMin(2147483647);
  EXPECT_EQ(m.Min(), 99);

  ProgressBarModel one = Bounds(0, 1, 0);
  one.SetMin(5);  // Max - 1 = 0
  EXPECT_EQ(one.Min(), 0);
}

TEST(ProgressBarModel, RaisingMinAboveValueRaisesValueThroughItsSetter) {
  Logged l;
  l.model.SetMax(100);
  l.model.SetValue(10);
  l.log.clear();
  l.model.SetMin(25);
  EXPECT_EQ(l.model.Value(), 25);
  EXPECT_EQ(l.log, (std::vector<PbProp>{PbProp::Value, PbProp::Min}));
}

TEST(ProgressBarModel, NewInstanceRunsTheSettersInOrderWithTheirDefaults) {
  Logged l;
  l.model.InitNewInstance(kAmbient);
  EXPECT_EQ(l.log, (std::vector<PbProp>{PbProp::Max, PbProp::Min, PbProp::Value, PbProp::RoundedValue,
                                         PbProp::Enabled, PbProp::Theme, PbProp::TextForeColor, PbProp::Text,
                                         PbProp::TextAlignment, PbProp::TextEffect, PbProp::TextEffectColor,
                                         PbProp::TextStyle, PbProp::Orientations, PbProp::TextFont}));
  ExpectSettings(l.model, {100, 0, 50, 5, true, 1, 3, 1, L"K7QX ProgressBar", FromRgbHex(0xFFFFFF), 5, 5,
                           kAmbientFont, 0u, FromRgbHex(0x000000), FromRgbHex(0x000000)});
}

TEST(ProgressBarPersistence, ReadsEveryKeyInOrderWithItsDefault) {
  RecordingBag bag(sb::Ambient{L"ProgressBar7", kAmbientFont});
  Logged l;
  l.model.ReadProperties(bag);
  EXPECT_EQ(bag.reads, (std::vector<std::wstring>{L"Max", L"Min", L"Value", L"RoundedValue", L"Enabled", L"Theme",
                                                   L"TextStyle", L"Orientations", L"Text", L"TextEffectColor",
                                                   L"TextEffect", L"TextAlignment", L"TextFont", L"TextForeColor",
                                                   L"PBSCustomeColor2", L"PBSCustomeColor1"}));
  EXPECT_EQ(l.log.size(), 16u);  // every default also goes through its setter
  ExpectSettings(l.model, {100, 0, 50, 5, true, 1, 1, 1, L"ProgressBar7", FromRgbHex(0xC8C8C8), 1, 5, kAmbientFont,
                           0u, 0u, 0u});
}

TEST(ProgressBarPersistence, ReadingMaxAndMinFirstLetsValueSeeTheFinalBounds) {
  PropertyBag bag(kAmbient);
  bag.Set(L"max", std::int32_t{1000});
  bag.Set(L"min", std::int32_t{200});
  bag.Set(L"value", std::int32_t{700});
  ProgressBarModel m;
  m.ReadProperties(bag);
  EXPECT_EQ(m.Max(), 1000);
  EXPECT_EQ(m.Min(), 200);
  EXPECT_EQ(m.Value(), 700);
}

TEST(ProgressBarPersistence, WritesEveryKeyInOrderAndStoresOnlyNonDefaults) {
  ProgressBarModel m;
  m.InitNewInstance(kAmbient);
  RecordingBag bag(kAmbient);
  m.WriteProperties(bag);
  EXPECT_EQ(bag.writes, (std::vector<std::wstring>{L"Orientations", L"Max", L"Min", L"Value", L"RoundedValue",
                                                    L"Enabled", L"Theme", L"TextStyle", L"TextFont", L"TextForeColor",
                                                    L"TextAlignment", L"Text", L"TextEffectColor", L"TextEffect",
                                                    L"PBSCustomeColor2", L"PBSCustomeColor1"}));
  // New-instance values that differ from the write defaults: TextStyle 3,
  // Text, TextEffectColor #FFFFFF (write default #C8C8C8), TextEffect 5.
  std::vector<std::wstring> stored;
  for (const auto& [k, v] : bag.entries()) stored.push_back(k);
  EXPECT_EQ(stored, (std::vector<std::wstring>{L"TextStyle", L"Text", L"TextEffectColor", L"TextEffect"}));
  EXPECT_EQ(std::get<std::int32_t>(*bag.Find(L"textstyle")), 3);
  EXPECT_EQ(std::get<std::int32_t>(*bag.Find(L"TEXTEFFECT")), 5);
  EXPECT_EQ(std::get<sb::ColourValue>(*bag.Find(L"TextEffectColor")).bgr, FromRgbHex(0xFFFFFF));
  EXPECT_EQ(std::get<std::wstring>(*bag.Find(L"Text")), L"K7QX ProgressBar");
}

TEST(ProgressBarPersistence, EmptyTextIsNotStoredAndReadsBackAsTheDisplayName) {
  ProgressBarModel m;
  m.InitNewInstance(kAmbient);
  m.SetText(L"");
  PropertyBag bag(kAmbient);
  bag.Set(L"Text", std::wstring(L"stale"));
  m.WriteProperties(bag);
  EXPECT_EQ(bag.Find(L"text"), nullptr);
  ProgressBarModel back;
  back.ReadProperties(bag);
  EXPECT_EQ(back.Text(), L"ProgressBar1");
}

TEST(ProgressBarPersistence, AFontOtherThanTheAmbientIsStored) {
  ProgressBarModel m;
  m.InitNewInstance(kAmbient);
  FontDesc italic = kAmbientFont;
  italic.italic = true;
  m.SetTextFont(italic);
  PropertyBag bag(kAmbient);
  m.WriteProperties(bag);
  ASSERT_NE(bag.Find(L"TextFont"), nullptr);
  EXPECT_EQ(std::get<FontDesc>(*bag.Find(L"TextFont")), italic);
}

TEST(ProgressBarPersistence, EverySettingSurvivesAWriteAndRead) {
  ProgressBarModel m;
  m.InitNewInstance(kAmbient);
  m.SetMax(500);
  m.SetMin(7);
  m.SetValue(321);
  m.SetRoundedValue(9);
  m.SetEnabled(false);
  m.SetTheme(10);
  m.SetTextStyle(2);
  m.SetOrientations(2);
  m.SetText(L"进度");
  m.SetTextEffectColor(FromRgbHex(0x123456));
  m.SetTextEffect(3);
  m.SetTextAlignment(9);
  m.SetTextFont(FontDesc{L"Tahoma", 10.5, 700, 0, false, true, true});
  m.SetTextForeColor(FromRgbHex(0xABCDEF));
  m.SetPBSCustomeColor1(FromRgbHex(0xC8FF10));
  m.SetPBSCustomeColor2(FromRgbHex(0x102030));
  PropertyBag bag(kAmbient);
  m.WriteProperties(bag);
  EXPECT_EQ(bag.entries().size(), 16u);

  ProgressBarModel back;
  back.ReadProperties(bag);
  ExpectSettings(back, {500, 7, 321, 9, false, 10, 2, 2, L"进度", FromRgbHex(0x123456), 3, 9,
                        FontDesc{L"Tahoma", 10.5, 700, 0, false, true, true}, FromRgbHex(0xABCDEF),
                        FromRgbHex(0xC8FF10), FromRgbHex(0x102030)});
}

TEST(ProgressBarPersistence, AnUnconvertibleValueIsSkippedAndTheRestIsRead) {
  PropertyBag bag(kAmbient);
  bag.Set(L"Theme", std::wstring(L"seven"));
  bag.Set(L"TextStyle", std::wstring(L" 2 "));
  bag.Set(L"TextForeColor", std::int32_t{-2147483633});  // a system colour, not resolvable here
  bag.Set(L"TextFont", std::int32_t{3});
  bag.Set(L"Enabled", std::wstring(L"False"));
  bag.Set(L"Value", std::wstring(L"99999999999"));
  ProgressBarModel m;
  m.InitNewInstance(kAmbient);
  m.SetTheme(4);
  m.SetTextForeColor(FromRgbHex(0x0000FF));
  m.SetValue(77);
  m.ReadProperties(bag);
  EXPECT_EQ(m.Theme(), 4);
  EXPECT_EQ(m.TextStyle(), 2);
  EXPECT_EQ(m.TextForeColor(), FromRgbHex(0x0000FF));
  EXPECT_EQ(m.TextFont(), kAmbientFont);
  EXPECT_FALSE(m.Enabled());
  EXPECT_EQ(m.Value(), 77);
  EXPECT_EQ(m.TextEffect(), 1);  // absent keys still take their defaults
}

TEST(ProgressBarPersistence, AFreshInstanceWhoseMaxDoesNotConvertKeepsZeroBounds) {
  PropertyBag bag(kAmbient);
  bag.Set(L"Max", std::wstring(L"lots"));
  ProgressBarModel m;
  m.ReadProperties(bag);
  EXPECT_EQ(m.Max(), 0);
  EXPECT_EQ(m.Min(), 0);
  EXPECT_EQ(m.Value(), 0);
}

TEST(ProgressBarPersistence, DownloadWindowDesignRestoresItsSettings) {
  PropertyBag design = sb::DownloadWindowProgressBarDesign();
  ASSERT_GE(design.entries().size(), 2u);
  EXPECT_EQ(design.entries()[0].first, L"_extentx");
  EXPECT_EQ(std::get<std::int32_t>(design.entries()[0].second), 6376);
  EXPECT_EQ(design.entries()[1].first, L"_extenty");
  EXPECT_EQ(std::get<std::int32_t>(design.entries()[1].second), 661);
  EXPECT_EQ(design.DisplayName(), L"ProgressBar1");

  ProgressBarModel m;
  m.ReadProperties(design);
  EXPECT_EQ(m.Value(), 10);
  EXPECT_EQ(m.RoundedValue(), 4);
  EXPECT_EQ(m.Theme(), 8);
  EXPECT_EQ(m.TextStyle(), 3);
  EXPECT_EQ(m.Text(), L"下载进度");
  EXPECT_EQ(m.TextEffect(), 4);
  EXPECT_EQ(m.TextEffectColor(), FromRgbHex(0x008080));
  EXPECT_EQ(m.TextForeColor(), FromRgbHex(0xC0FFFF));
  EXPECT_EQ(m.TextForeColor(), 0x00FFFFC0u);
  EXPECT_EQ(m.TextFont().name, L"宋体");
  EXPECT_EQ(m.TextFont().points, 9);
  EXPECT_TRUE(m.TextFont().Bold());
  EXPECT_EQ(m.TextFont().charset, 134);
  EXPECT_EQ(m.Max(), 100);
  EXPECT_EQ(m.Min(), 0);
  EXPECT_TRUE(m.Enabled());
  EXPECT_EQ(m.Orientations(), 1);
  EXPECT_EQ(m.TextAlignment(), 5);
  EXPECT_EQ(m.PBSCustomeColor1(), 0u);
  EXPECT_EQ(m.PBSCustomeColor2(), 0u);
}

TEST(ProgressBarPersistence, DownloadDesignWrittenBackStoresTheSameProperties) {
  ProgressBarModel m;
  PropertyBag design = sb::DownloadWindowProgressBarDesign();
  m.ReadProperties(design);
  PropertyBag out(design.ambient());
  m.WriteProperties(out);
  std::vector<std::wstring> keys;
  for (const auto& [k, v] : out.entries()) keys.push_back(k);
  EXPECT_EQ(keys, (std::vector<std::wstring>{L"Value", L"RoundedValue", L"Theme", L"TextStyle", L"TextFont",
                                              L"TextForeColor", L"Text", L"TextEffectColor", L"TextEffect"}));
}

TEST(PropertyBag, KeysMatchWithoutRegardToCaseAndKeepTheirPlace) {
  PropertyBag bag;
  bag.Set(L"TextStyle", std::int32_t{2});
  bag.Set(L"Theme", std::int32_t{3});
  bag.Set(L"TEXTSTYLE", std::int32_t{5});
  ASSERT_EQ(bag.entries().size(), 2u);
  EXPECT_EQ(bag.entries()[0].first, L"TextStyle");
  EXPECT_EQ(bag.ReadInt(L"textstyle", 0), 5);
  EXPECT_FALSE(sb::KeysEqual(L"Theme", L"Themes"));
  EXPECT_TRUE(bag.Remove(L"theme"));
  EXPECT_EQ(bag.ReadInt(L"Theme", 1), 1);
}

TEST(PropertyBag, WritingTheDefaultDropsAStoredValue) {
  PropertyBag bag;
  bag.Write(L"Max", std::int32_t{250}, std::int32_t{100});
  EXPECT_EQ(bag.ReadInt(L"Max", 100), 250);
  bag.Write(L"Max", std::int32_t{100}, std::int32_t{100});
  EXPECT_EQ(bag.Find(L"Max"), nullptr);
}

TEST(PropertyBag, TypedReadsConvertOnlyWhatTheyCan) {
  PropertyBag bag;
  bag.Set(L"n", std::wstring(L"-42"));
  bag.Set(L"c", sb::ColourValue{FromRgbHex(0xFFFFFF)});
  bag.Set(L"b", std::int32_t{0});
  bag.Set(L"f", FontDesc{L"Arial", 8});
  EXPECT_EQ(bag.ReadInt(L"n", 0), -42);
  EXPECT_EQ(bag.ReadInt(L"c", 0), 0xFFFFFF);
  EXPECT_EQ(bag.ReadBool(L"b", true), false);
  EXPECT_EQ(bag.ReadText(L"n", L""), L"-42");
  EXPECT_FALSE(bag.ReadText(L"f", L""));
  EXPECT_FALSE(bag.ReadFont(L"n", FontDesc{}));
  EXPECT_FALSE(bag.ReadInt(L"f", 0));
  EXPECT_FALSE(bag.ReadColour(L"n", 0));
  EXPECT_EQ(bag.ReadColour(L"missing", 7u), 7u);
}

}  // namespace
