#include "controls/progressbar/progress_bar_model.h"

namespace sb {

const wchar_t* PropertyKey(PbProp p) {
  switch (p) {
    case PbProp::Value: return L"Value";
    case PbProp::Max: return L"Max";
    case PbProp::Min: return L"Min";
    case PbProp::RoundedValue: return L"RoundedValue";
    case PbProp::Enabled: return L"Enabled";
    case PbProp::Theme: return L"Theme";
    case PbProp::TextStyle: return L"TextStyle";
    case PbProp::Orientations: return L"Orientations";
    case PbProp::TextAlignment: return L"TextAlignment";
    case PbProp::Text: return L"Text";
    case PbProp::TextEffectColor: return L"TextEffectColor";
    case PbProp::TextEffect: return L"TextEffect";
    case PbProp::TextForeColor: return L"TextForeColor";
    case PbProp::TextFont: return L"TextFont";
    case PbProp::PBSCustomeColor1: return L"PBSCustomeColor1";
    case PbProp::PBSCustomeColor2: return L"PBSCustomeColor2";
  }
  return L"";
}

void ProgressBarModel::SetValue(std::int32_t v) {
  if (v > max_) v = max_;
  if (v < min_) v = min_;
  value_ = v;
  Changed(PbProp::Value);
}

void ProgressBarModel::SetMax(std::int32_t v) {
  if (v < 1) v = 1;
  // min_ < max_ <= INT32_MAX once any Max was set, so min_ + 1 cannot overflow;
  // a fresh instance has min_ 0.
  if (v <= min_) v = min_ + 1;
  max_ = v;
  if (value_ > max_) SetValue(max_);
  Changed(PbProp::Max);
}

void ProgressBarModel::SetMin(std::int32_t v) {
  if (v >= max_) v = max_ - 1;
  if (v < 0) v = 0;
  min_ = v;
  if (value_ < min_) SetValue(min_);
  Changed(PbProp::Min);
}

void ProgressBarModel::SetRoundedValue(std::int32_t v) {
  cornerDiameter_ = v;
  Changed(PbProp::RoundedValue);
}
void ProgressBarModel::SetEnabled(bool v) {
  enabled_ = v;
  Changed(PbProp::Enabled);
}
void ProgressBarModel::SetTheme(std::int32_t v) {
  theme_ = v;
  Changed(PbProp::Theme);
}
void ProgressBarModel::SetTextStyle(std::int32_t v) {
  textStyle_ = v;
  Changed(PbProp::TextStyle);
}
void ProgressBarModel::SetOrientations(std::int32_t v) {
  orientation_ = v;
  Changed(PbProp::Orientations);
}
void ProgressBarModel::SetTextAlignment(std::int32_t v) {
  textAlignment_ = v;
  Changed(PbProp::TextAlignment);
}
void ProgressBarModel::SetText(const std::wstring& v) {
  text_ = v;
  Changed(PbProp::Text);
}
void ProgressBarModel::SetTextEffectColor(Colour v) {
  effectColour_ = v;
  Changed(PbProp::TextEffectColor);
}
void ProgressBarModel::SetTextEffect(std::int32_t v) {
  textEffect_ = v;
  Changed(PbProp::TextEffect);
}
void ProgressBarModel::SetTextForeColor(Colour v) {
  textColour_ = v;
  Changed(PbProp::TextForeColor);
}
void ProgressBarModel::SetTextFont(const FontDesc& v) {
  textFont_ = v;
  Changed(PbProp::TextFont);
}
void ProgressBarModel::SetPBSCustomeColor1(Colour v) {
  customColour1_ = v;
  Changed(PbProp::PBSCustomeColor1);
}
void ProgressBarModel::SetPBSCustomeColor2(Colour v) {
  customColour2_ = v;
  Changed(PbProp::PBSCustomeColor2);
}

void ProgressBarModel::InitNewInstance(const Ambient& ambient) {
  SetMax(100);
  SetMin(0);
  SetValue(50);
  SetRoundedValue(5);
  SetEnabled(true);
  SetTheme(1);
  SetTextForeColor(0);
  SetText(kNewInstanceText);
  SetTextAlignment(5);
  SetTextEffect(5);
  SetTextEffectColor(MakeColour(255, 255, 255));
  SetTextStyle(3);
  SetOrientations(1);
  SetTextFont(ambient.font);
}

void ProgressBarModel::ReadProperties(const PropertyBag& bag) {
  if (auto v = bag.ReadInt(L"Max", 100)) SetMax(*v);
  if (auto v = bag.ReadInt(L"Min", 0)) SetMin(*v);
  if (auto v = bag.ReadInt(L"Value", 50)) SetValue(*v);
  if (auto v = bag.ReadInt(L"RoundedValue", 5)) SetRoundedValue(*v);
  if (auto v = bag.ReadBool(L"Enabled", true)) SetEnabled(*v);
  if (auto v = bag.ReadInt(L"Theme", 1)) SetTheme(*v);
  if (auto v = bag.ReadInt(L"TextStyle", 1)) SetTextStyle(*v);
  if (auto v = bag.ReadInt(L"Orientations", 1)) SetOrientations(*v);
  if (auto v = bag.ReadText(L"Text", bag.DisplayName())) SetText(*v);
  if (auto v = bag.ReadColour(L"TextEffectColor", kReadDefaultEffectColour)) SetTextEffectColor(*v);
  if (auto v = bag.ReadInt(L"TextEffect", 1)) SetTextEffect(*v);
  if (auto v = bag.ReadInt(L"TextAlignment", 5)) SetTextAlignment(*v);
  if (auto v = bag.ReadFont(L"TextFont", bag.AmbientFont())) SetTextFont(*v);
  if (auto v = bag.ReadColour(L"TextForeColor", 0)) SetTextForeColor(*v);
  if (auto v = bag.ReadColour(L"PBSCustomeColor2", 0)) SetPBSCustomeColor2(*v);
  if (auto v = bag.ReadColour(L"PBSCustomeColor1", 0)) SetPBSCustomeColor1(*v);
}

void ProgressBarModel::WriteProperties(PropertyBag& bag) const {
  auto colour = [](Colour c) { return PropValue(ColourValue{c}); };
  bag.Write(L"Orientations", orientation_, 1);
  bag.Write(L"Max", max_, 100);
  bag.Write(L"Min", min_, 0);
  bag.Write(L"Value", value_, 50);
  bag.Write(L"RoundedValue", cornerDiameter_, 5);
  bag.Write(L"Enabled", enabled_, true);
  bag.Write(L"Theme", theme_, 1);
  bag.Write(L"TextStyle", textStyle_, 1);
  bag.Write(L"TextFont", textFont_, bag.AmbientFont());
  bag.Write(L"TextForeColor", colour(textColour_), colour(0));
  bag.Write(L"TextAlignment", textAlignment_, 5);
  bag.Write(L"Text", text_, std::wstring());
  bag.Write(L"TextEffectColor", colour(effectColour_), colour(kReadDefaultEffectColour));
  bag.Write(L"TextEffect", textEffect_, 1);
  bag.Write(L"PBSCustomeColor2", colour(customColour2_), colour(0));
  bag.Write(L"PBSCustomeColor1", colour(customColour1_), colour(0));
}

}  // namespace sb
