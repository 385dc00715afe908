// The skin tests' window: a "Form" with every control kind the skin treats
// differently, placed in pixels, shown at the top-left of the screen.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/form.h"

namespace sbtest {

// A visible control at an exact pixel rectangle of the form.
HWND Add(sb::Form& form, const wchar_t* cls, const wchar_t* text, int x, int y, int w, int h, DWORD style,
         DWORD exStyle = 0);

struct SkinTestWindow {
  std::unique_ptr<sb::Form> form;
  HWND push = nullptr;         // 75 x 25 push button
  HWND defaultPush = nullptr;  // BS_DEFPUSHBUTTON
  HWND disabledPush = nullptr;
  HWND checkBox = nullptr;  // "button" class, BS_AUTOCHECKBOX: keeps its own painting
  HWND radio = nullptr;     // "button" class, BS_AUTORADIOBUTTON
  HWND listView = nullptr;  // report view with WS_EX_CLIENTEDGE
  HWND header = nullptr;
  HWND progress = nullptr;  // "ProgressBar20WndClass", range 0..30000
  HWND edit = nullptr;      // WS_EX_CLIENTEDGE
  HWND dropDown = nullptr;  // CBS_DROPDOWN
  HWND dropList = nullptr;  // CBS_DROPDOWNLIST
  int clicks = 0;           // BN_CLICKED of `push`

  HWND hwnd() const { return form->hwnd(); }
};

// `form` may be a derived form (for tests that watch its messages).
std::unique_ptr<SkinTestWindow> MakeSkinTestWindow(std::unique_ptr<sb::Form> form = nullptr);

// Every descendant of `parent` (EnumChildWindows order).
std::vector<HWND> Descendants(HWND parent);

// The window's pixels (whole window rectangle) read back from its window DC.
struct Pixels {
  int width = 0, height = 0;
  std::vector<COLORREF> data;
  COLORREF at(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};
Pixels ReadWindowPixels(HWND hwnd);
Pixels ReadDcPixels(HDC dc, int width, int height);

// Distance of two colours as the largest channel difference.
int ColourDistance(COLORREF a, COLORREF b);
// 0xRRGGBB as a COLORREF.
constexpr COLORREF Rgb(unsigned rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Saves the window under BuildDir() as skin_gallery_<state>.png.
void SaveGallery(HWND hwnd, const std::wstring& state);

}  // namespace sbtest
