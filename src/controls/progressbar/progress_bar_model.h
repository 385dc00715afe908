// The progress bar's sixteen properties: storage, the range rules of the
// setters, new-instance defaults and saving to / restoring from a PropertyBag.
// Free of window code; the window calls back through the change hook to mark
// the property changed for its container and to redraw.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "controls/progressbar/colour_maths.h"
#include "controls/progressbar/property_bag.h"

namespace sb {

enum class PbProp {
  Value,
  Max,
  Min,
  RoundedValue,
  Enabled,
  Theme,
  TextStyle,
  Orientations,
  TextAlignment,
  Text,
  TextEffectColor,
  TextEffect,
  TextForeColor,
  TextFont,
  PBSCustomeColor1,
  PBSCustomeColor2,
};

// The key a property is saved under ("Value", "PBSCustomeColor1", ...).
const wchar_t* PropertyKey(PbProp p);

inline constexpr Colour kReadDefaultEffectColour = MakeColour(200, 200, 200);
inline constexpr wchar_t kNewInstanceText[] = L"K7QX ProgressBar";

class ProgressBarModel {
 public:
  using ChangeHook = std::function<void(PbProp)>;

  // Runs after every setter has stored its value (also for nested sets, such
  // as Max lowering Value).
  void SetChangeHook(ChangeHook hook) { hook_ = std::move(hook); }

  std::int32_t TextStyle() const { return textStyle_; }
  std::int32_t Theme() const { return theme_; }
  std::int32_t Orientations() const { return orientation_; }
  const std::wstring& Text() const { return text_; }
  Colour TextForeColor() const { return textColour_; }
  std::int32_t TextAlignment() const { return textAlignment_; }
  const FontDesc& TextFont() const { return textFont_; }
  Colour TextEffectColor() const { return effectColour_; }
  std::int32_t TextEffect() const { return textEffect_; }
  std::int32_t RoundedValue() const { return cornerDiameter_; }
  std::int32_t Min() const { return min_; }
  std::int32_t Value() const { return value_; }
  std::int32_t Max() const { return max_; }
  bool Enabled() const { return enabled_; }
  Colour PBSCustomeColor1() const { return customColour1_; }
  Colour PBSCustomeColor2() const { return customColour2_; }

  void SetValue(std::int32_t v);
  void SetMax(std::int32_t v);
  void SetMin(std::int32_t v);
  void SetRoundedValue(std::int32_t v);
  void SetEnabled(bool v);
  void SetTheme(std::int32_t v);
  void SetTextStyle(std::int32_t v);
  void SetOrientations(std::int32_t v);
  void SetTextAlignment(std::int32_t v);
  void SetText(const std::wstring& v);
  void SetTextEffectColor(Colour v);
  void SetTextEffect(std::int32_t v);
  void SetTextForeColor(Colour v);
  void SetTextFont(const FontDesc& v);
  void SetPBSCustomeColor1(Colour v);
  void SetPBSCustomeColor2(Colour v);

  // A control placed on a form for the first time.
  void InitNewInstance(const Ambient& ambient);
  // Every key read with its default and passed through its setter; a key whose
  // stored value does not convert is skipped and the property kept.
  void ReadProperties(const PropertyBag& bag);
  // Every property written with its default (a value equal to it is not stored).
  void WriteProperties(PropertyBag& bag) const;

 private:
  void Changed(PbProp p) {
    if (hook_) hook_(p);
  }

  std::int32_t textStyle_ = 0;
  std::int32_t theme_ = 0;
  std::int32_t orientation_ = 0;
  std::wstring text_;
  Colour textColour_ = 0;
  std::int32_t textAlignment_ = 0;
  FontDesc textFont_;
  Colour effectColour_ = 0;
  std::int32_t textEffect_ = 0;
  std::int32_t cornerDiameter_ = 0;
  std::int32_t min_ = 0;
  std::int32_t value_ = 0;
  std::int32_t max_ = 0;
  bool enabled_ = false;
  Colour customColour1_ = 0;
  Colour customColour2_ = 0;
  ChangeHook hook_;
};

}  // namespace sb
