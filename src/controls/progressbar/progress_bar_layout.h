// What one drawing of the progress bar consists of, worked out without a window:
// the shape, the gradient bands, the outline and the caption with its copies.
// Two equal plans (with the same font) give the same picture.
#pragma once

#include <array>
#include <string>

#include "controls/progressbar/colour_maths.h"
#include "controls/progressbar/progress_bar_model.h"
#include "controls/progressbar/theme_palette.h"

namespace sb {

inline constexpr Colour kEffectGrey = MakeColour(128, 128, 128);

enum GradientDirection { kGradientLeftToRight = 0, kGradientTopToBottom = 1 };

struct GradientBand {
  int direction = 0;
  Colour from = 0, to = 0;
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const GradientBand&) const = default;
};

struct PicturePlan {
  int width = 0, height = 0;  // the surface, rounded to whole pixels
  int corner = 0;             // ellipse diameter of the shape and the outline
  double percent = 0;
  int barLength = 0;
  int bandCount = 0;
  std::array<GradientBand, 4> bands{};
  Colour outline = 0;
  int outlineRight = 0, outlineBottom = 0;
  bool hasCaption = false;
  std::wstring caption;
  int alignment = 0;
  int effect = 0;
  Colour textColour = 0, effectColour = 0;
  bool operator==(const PicturePlan&) const = default;
};

// Percentage of Value in Max (Min plays no part); 0 while Max is not positive.
double BarPercent(const ProgressBarModel& m);

// Refills `table` from the theme (kept as it was for other themes), greys it in
// place for a disabled control, and lays out a surface of W x H pixels.
PicturePlan PlanPicture(const ProgressBarModel& m, ColourTable& table, double W, double H);

struct CaptionOrigin {
  int x = 0, y = 0;
};
// Where the caption of size TW x TH goes on a W x H surface.
CaptionOrigin PlaceCaption(int alignment, double W, double H, double TW, double TH);

struct CaptionCopy {
  Colour colour = 0;
  int x = 0, y = 0;
  bool operator==(const CaptionCopy&) const = default;
};
struct CaptionCopies {
  int count = 0;
  std::array<CaptionCopy, 5> copies{};
};
// The copies of the caption for an effect, in drawing order (the text itself last).
CaptionCopies CaptionCopiesFor(int effect, CaptionOrigin at, Colour text, Colour effectColour);

}  // namespace sb
