// ProgressBar: the themed progress bar control (own window class, rounded
// window shape, two-band gradients, caption with text effects). Every property
// setter marks the property changed for its container and redraws at once into
// a back buffer that WM_PAINT shows, so the picture persists when covered.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "controls/progressbar/colour_maths.h"
#include "controls/progressbar/progress_bar_layout.h"
#include "controls/progressbar/progress_bar_model.h"
#include "controls/progressbar/property_bag.h"
#include "platform/handles.h"
#include "platform/window_base.h"

namespace sb {

class ProgressBar : public WindowBase {
 public:
  // Deliberately not a class name of the skin's progress-bar kind.
  static constexpr wchar_t kClassName[] = L"SongBoxProgressBar";

  ProgressBar();
  ~ProgressBar() override;

  // A visible child of `parent` at (x, y), width x height pixels, control id `id`.
  bool Create(HWND parent, int x, int y, int width, int height, int id);

  // The container told about every property change (may be null).
  void SetSite(PropertyBag* site) { site_ = site; }

  void InitNewInstance(const Ambient& ambient) { model_.InitNewInstance(ambient); }
  void ReadProperties(const PropertyBag& bag) { model_.ReadProperties(bag); }
  void WriteProperties(PropertyBag& bag) const { model_.WriteProperties(bag); }

  int Value() const { return model_.Value(); }
  void SetValue(int v) { model_.SetValue(v); }
  int Max() const { return model_.Max(); }
  void SetMax(int v) { model_.SetMax(v); }
  int Min() const { return model_.Min(); }
  void SetMin(int v) { model_.SetMin(v); }
  int RoundedValue() const { return model_.RoundedValue(); }
  void SetRoundedValue(int v) { model_.SetRoundedValue(v); }
  bool Enabled() const { return model_.Enabled(); }
  void SetEnabled(bool v) { model_.SetEnabled(v); }
  int Theme() const { return model_.Theme(); }
  void SetTheme(int v) { model_.SetTheme(v); }
  int TextStyle() const { return model_.TextStyle(); }
  void SetTextStyle(int v) { model_.SetTextStyle(v); }
  int Orientations() const { return model_.Orientations(); }
  void SetOrientations(int v) { model_.SetOrientations(v); }
  int TextAlignment() const { return model_.TextAlignment(); }
  void SetTextAlignment(int v) { model_.SetTextAlignment(v); }
  const std::wstring& Text() const { return model_.Text(); }
  void SetText(const std::wstring& v) { model_.SetText(v); }
  Colour TextEffectColor() const { return model_.TextEffectColor(); }
  void SetTextEffectColor(Colour v) { model_.SetTextEffectColor(v); }
  int TextEffect() const { return model_.TextEffect(); }
  void SetTextEffect(int v) { model_.SetTextEffect(v); }
  Colour TextForeColor() const { return model_.TextForeColor(); }
  void SetTextForeColor(Colour v) { model_.SetTextForeColor(v); }
  const FontDesc& TextFont() const { return model_.TextFont(); }
  void SetTextFont(const FontDesc& v) { model_.SetTextFont(v); }
  Colour PBSCustomeColor1() const { return model_.PBSCustomeColor1(); }
  void SetPBSCustomeColor1(Colour v) { model_.SetPBSCustomeColor1(v); }
  Colour PBSCustomeColor2() const { return model_.PBSCustomeColor2(); }
  void SetPBSCustomeColor2(Colour v) { model_.SetPBSCustomeColor2(v); }

  // Draws the whole control now, even when the picture would not change.
  void Refresh();

  static bool GradientTwoColour(HDC dc, int direction, Colour start, Colour end, int left, int top, int right,
                                int bottom);
  static bool DrawGradientFourColour(HDC dc, int left, int top, int width, int height, Colour topLeft,
                                     Colour topRight, Colour bottomLeft, Colour bottomRight);

  // A copy of the picture as last drawn: a top-down 32-bit DIB section.
  UniqueBitmap Snapshot() const;
  // Drawings actually made (redraws of an unchanged picture are not counted).
  int DrawCount() const { return drawCount_; }

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnNcDestroy();
  void OnPaint();
  void OnPrintClient(HDC dc);
  void OnSize(int width, int height);
  void OnPropertySet(PbProp p);
  void Redraw(bool force);
  bool FontCurrent() const;  // made for the caption's font at the window's DPI
  int CurrentDpi() const;
  void UpdateFont();
  bool MakeBuffer();

  ProgressBarModel model_;
  PropertyBag* site_ = nullptr;
  ColourTable table_{};
  int width_ = 0, height_ = 0;

  UniqueFont font_;  // also what WM_GETFONT answers
  std::optional<FontDesc> fontMadeFor_;
  int fontDpi_ = 0;
  int windowDpi_ = 0;  // 0 until the window is first sized
  UniqueMemoryDc bufferDc_;
  UniqueBitmap bufferBitmap_;
  std::optional<SelectGuard> bufferSelect_;

  struct Shape {
    int width = -1, height = -1, corner = 0;
    bool operator==(const Shape&) const = default;
  };
  Shape shapeSet_;
  std::optional<PicturePlan> shown_;
  Colour shownBackground_ = 0;
  int drawCount_ = 0;
};

}  // namespace sb
