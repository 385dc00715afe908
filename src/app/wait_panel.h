// The wait panel P1: a picture box in a light cyan with the centred label
// Label2, laid over the song list while a load runs.
#pragma once

#include <windows.h>

#include "platform/handles.h"

namespace sb {

inline constexpr wchar_t kPictureBoxClassName[] = L"PictureBox";

class WaitPanel {
 public:
  WaitPanel() = default;
  WaitPanel(const WaitPanel&) = delete;
  WaitPanel& operator=(const WaitPanel&) = delete;

  // P1 starts hidden at its design place (twips); Label2 sits at (0, 2640,
  // 9855, 1095) twips inside it.
  bool Create(HWND parent, int left, int top, int width, int height, HFONT labelFont);
  HWND hwnd() const { return panel_; }
  HWND label() const { return label_; }

  // PiSize: the panel takes the target's place exactly; Label2 is centred
  // vertically and as wide as the panel.
  void PiSize(HWND target);
  void Show();
  void Hide();

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  HWND panel_ = nullptr;  // a child of the form, destroyed with it
  HWND label_ = nullptr;
  UniqueBrush background_;
};

}  // namespace sb
