#include "controls/progressbar/progress_bar_layout.h"

namespace sb {

double BarPercent(const ProgressBarModel& m) {
  // Max is at least 1 once set; a restored instance whose Max never converted
  // keeps 0 and must not divide by it.
  if (m.Max() <= 0) return 0;
  return static_cast<double>(m.Value()) * 100.0 / static_cast<double>(m.Max());
}

PicturePlan PlanPicture(const ProgressBarModel& m, ColourTable& table, double W, double H) {
  PicturePlan plan;
  plan.width = RoundHalfEven(W);
  plan.height = RoundHalfEven(H);
  plan.corner = m.RoundedValue();
  plan.percent = BarPercent(m);
  const bool vertical = m.Orientations() == 2;
  plan.barLength = RoundHalfEven((vertical ? H : W) * plan.percent / 100.0);

  LoadThemeColours(m.Theme(), m.PBSCustomeColor1(), m.PBSCustomeColor2(), table);
  if (!m.Enabled()) {
    for (Colour& c : table) c = GreyColour(c);
  }

  const int w = plan.width, h = plan.height, L = plan.barLength;
  const bool bar = m.Value() >= 1;
  auto add = [&](int dir, int from, int to, int l, int t, int r, int b) {
    plan.bands[static_cast<std::size_t>(plan.bandCount++)] = GradientBand{dir, table[from], table[to], l, t, r, b};
  };
  if (m.Orientations() == 1) {
    const int h2 = RoundHalfEven(H / 2);
    add(kGradientTopToBottom, 0, 2, 0, 0, w, h2);
    add(kGradientTopToBottom, 4, 6, 0, h2, w, h);
    if (bar) {
      add(kGradientTopToBottom, 8, 10, 0, 0, L, h2);
      add(kGradientTopToBottom, 12, 14, 0, h2, L, h);
    }
  } else if (vertical) {
    const int w2 = RoundHalfEven(W / 2);
    add(kGradientLeftToRight, 0, 2, 0, 0, w2, h);
    add(kGradientLeftToRight, 4, 6, w2, 0, w, h);
    if (bar) {
      add(kGradientLeftToRight, 8, 10, 0, 0, w2, L);
      add(kGradientLeftToRight, 12, 14, w2, 0, w, L);
    }
  }

  plan.outline = table[16];
  plan.outlineRight = RoundHalfEven(W - 1);
  plan.outlineBottom = RoundHalfEven(H - 1);

  switch (m.TextStyle()) {
    case 1: plan.caption = std::to_wstring(m.Value()); break;
    case 2: plan.caption = FormatGeneral15(plan.percent) + L"%"; break;
    case 3: plan.caption = m.Text(); break;
    default: break;
  }
  const int effect = m.TextEffect();
  plan.hasCaption = m.TextStyle() >= 1 && m.TextStyle() <= 3 && effect >= 1 && effect <= 5;
  if (!plan.hasCaption) plan.caption.clear();
  plan.alignment = m.TextAlignment();
  plan.effect = effect;
  plan.textColour = m.Enabled() ? m.TextForeColor() : GreyColour(m.TextForeColor());
  plan.effectColour = m.Enabled() ? m.TextEffectColor() : GreyColour(m.TextEffectColor());
  return plan;
}

CaptionOrigin PlaceCaption(int alignment, double W, double H, double TW, double TH) {
  double x = 0, y = 0;
  if (alignment >= 1 && alignment <= 9) {
    const int column = (alignment - 1) / 3;
    const int row = (alignment - 1) % 3;
    x = column == 0 ? 1 : column == 1 ? W / 2 - TW / 2 - 1 : W - TW - 3;
    y = row == 0 ? 0 : row == 1 ? H / 2 - TH / 2 - 1 : H - TH - 1;
  }
  return CaptionOrigin{RoundHalfEven(x), RoundHalfEven(y)};
}

CaptionCopies CaptionCopiesFor(int effect, CaptionOrigin at, Colour text, Colour effectColour) {
  CaptionCopies out;
  auto add = [&](Colour c, int x, int y) { out.copies[static_cast<std::size_t>(out.count++)] = CaptionCopy{c, x, y}; };
  const int x = at.x, y = at.y;
  switch (effect) {
    case 1: break;
    case 2:
      add(effectColour, x - 1, y - 1);
      add(kEffectGrey, x + 1, y + 1);
      break;
    case 3:
      add(effectColour, x + 1, y + 1);
      add(kEffectGrey, x - 1, y);
      break;
    case 4:
      add(effectColour, x + 1, y);
      add(effectColour, x - 1, y);
      add(effectColour, x, y - 1);
      add(effectColour, x, y + 1);
      break;
    case 5: add(effectColour, x + 1, y + 1); break;
    default: return out;
  }
  add(text, x, y);
  return out;
}

}  // namespace sb
