// The wait panel P1: a picture box in a light cyan with the centred label
// Label2, laid over the song list while a load runs.
#pragma once

#include <windows.h>

#include "platform/handles.h"
#include "platform/window_base.h"

namespace sb {

inline constexpr wchar_t kPictureBoxClassName[] = L"PictureBox";

class WaitPanel : public WindowBase {
 public:
  WaitPanel() = default;

  // P1 starts hidden at its design place (twips); Label2 sits at (0, 2640,
  // 9855, 1095) twips inside it.
  bool Create(HWND parent, int left, int top, int width, int height, HFONT labelFont);
  HWND label() const { return label_; }

  // PiSize: the panel takes the target's place exactly; Label2 is centred
  // vertically and as wide as the panel.
  void PiSize(HWND target);
  void Show();
  void Hide();

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  LRESULT OnEraseBackground(HDC dc);
  LRESULT OnCtlColorStatic(HDC dc);

  HWND label_ = nullptr;  // a child of the panel, destroyed with it
  UniqueBrush background_;
};

}  // namespace sb
