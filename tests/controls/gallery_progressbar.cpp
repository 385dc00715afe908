// Renders the progress bar in every theme, both orientations, every caption
// style, alignment and effect, enabled and disabled, into progressbar_gallery.png
// in the folder given as the first argument.
#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>

#include "download/download_design.h"
#include "controls/progressbar/progress_bar.h"
#include "platform/form.h"
#include "test_env.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 1040;

class Gallery {
 public:
  Gallery() {
    sb::WindowDc screen = sb::WindowDc::Client(nullptr);
    dc_.reset(CreateCompatibleDC(screen.get()));
    bmp_.reset(CreateCompatibleBitmap(screen.get(), kWidth, kHeight));
    select_.emplace(dc_.get(), bmp_.get());
    RECT all{0, 0, kWidth, kHeight};
    FillRect(dc_.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    font_ = sb::MakeFont(L"宋体", 9, false);
    SetBkMode(dc_.get(), TRANSPARENT);
  }

  void Label(int x, int y, const std::wstring& text, bool heading = false) {
    sb::SelectGuard font(dc_.get(), font_.get());
    SetTextColor(dc_.get(), heading ? RGB(0, 0, 160) : RGB(0, 0, 0));
    TextOutW(dc_.get(), x, y, text.c_str(), static_cast<int>(text.size()));
  }

  // Copies the bar's picture, clipped to its window shape, to (x, y).
  void Place(const sb::ProgressBar& bar, int x, int y) {
    RECT rc;
    GetClientRect(bar.hwnd(), &rc);
    sb::UniqueBitmap picture = bar.Snapshot();
    sb::UniqueMemoryDc src(CreateCompatibleDC(dc_.get()));
    sb::SelectGuard select(src.get(), picture.get());
    sb::UniqueRegion shape(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(bar.hwnd(), shape.get()) != ERROR) {
      OffsetRgn(shape.get(), x, y);
      SelectClipRgn(dc_.get(), shape.get());
    }
    BitBlt(dc_.get(), x, y, rc.right, rc.bottom, src.get(), 0, 0, SRCCOPY);
    SelectClipRgn(dc_.get(), nullptr);
  }

  bool Save(const std::wstring& path) {
    select_.reset();
    return sbtest::SaveBitmapPng(bmp_.get(), path);
  }

 private:
  sb::UniqueMemoryDc dc_;
  sb::UniqueBitmap bmp_;
  std::optional<sb::SelectGuard> select_;
  sb::UniqueFont font_;
};

void Resize(sb::ProgressBar& bar, int w, int h) {
  SetWindowPos(bar.hwnd(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

const sb::FontDesc kCaptionFont{L"宋体", 9, 700, 134};

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring folder = argv && argc > 1 ? argv[1] : L".";
  LocalFree(argv);
  sb::Form form;
  if (!form.CreateForm({L"gallery", 9000, 9000})) return 1;
  sb::ProgressBar bar;
  if (!bar.Create(form.hwnd(), 0, 0, 241, 25, 1)) return 1;
  bar.ReadProperties(sb::PropertyBag(sb::Ambient{L"ProgressBar1", kCaptionFont}));
  Gallery g;

  // Themes, horizontal, enabled and disabled, caption as percentage.
  g.Label(10, 8, L"Themes 1-10, horizontal: enabled | disabled (TextStyle 2, effect 5)", true);
  bar.SetTextStyle(2);
  bar.SetTextEffect(5);
  bar.SetTextEffectColor(RGB(255, 255, 255));
  for (int t = 1; t <= 11; ++t) {
    const int theme = t == 11 ? 10 : t;
    const int y = 30 + (t - 1) * 32;
    bar.SetTheme(theme);
    bar.SetPBSCustomeColor1(t == 10 ? sb::FromRgbHex(0xC8FF10) : 0);
    bar.SetPBSCustomeColor2(t == 10 ? sb::FromRgbHex(0x102030) : 0);
    bar.SetValue(t * 9 - 2);
    g.Label(10, y + 6, t == 10 ? L"10 #C8FF10/#102030" : t == 11 ? L"10 custom black" : L"Theme " + std::to_wstring(t));
    bar.SetEnabled(true);
    g.Place(bar, 150, y);
    bar.SetEnabled(false);
    g.Place(bar, 410, y);
  }
  bar.SetEnabled(true);
  bar.SetPBSCustomeColor1(0);
  bar.SetPBSCustomeColor2(0);

  // Vertical, every theme, enabled row and disabled row.
  g.Label(10, 392, L"Vertical (Orientations 2), themes 1-10: enabled row, disabled row; Orientations 3 last", true);
  Resize(bar, 31, 120);
  bar.SetOrientations(2);
  bar.SetTextStyle(1);
  bar.SetTextEffect(1);
  for (int row = 0; row < 2; ++row) {
    bar.SetEnabled(row == 0);
    for (int t = 1; t <= 11; ++t) {
      bar.SetTheme(t == 11 ? 8 : t);
      bar.SetOrientations(t == 11 ? 3 : 2);
      bar.SetValue(t * 9);
      g.Place(bar, 10 + (t - 1) * 45, 412 + row * 130);
    }
  }
  bar.SetEnabled(true);
  bar.SetOrientations(1);

  // Caption styles.
  g.Label(520, 412, L"TextStyle 1, 2, 3 (Value 1 of Max 3), 4", true);
  Resize(bar, 241, 25);
  bar.SetTheme(4);
  bar.SetMax(3);
  bar.SetValue(1);
  bar.SetText(L"下载进度 Text");
  for (int s = 1; s <= 4; ++s) {
    bar.SetTextStyle(s);
    g.Place(bar, 520, 432 + (s - 1) * 32);
    g.Label(770, 438 + (s - 1) * 32, L"TextStyle " + std::to_wstring(s));
  }
  bar.SetMax(100);

  // Alignment 1..9 on a taller bar.
  g.Label(10, 680, L"TextAlignment 1-9 (columns left, centre, right; rows top, middle, bottom)", true);
  Resize(bar, 190, 44);
  bar.SetTheme(2);
  bar.SetValue(45);
  bar.SetTextStyle(3);
  bar.SetTextEffect(1);
  for (int a = 1; a <= 9; ++a) {
    bar.SetTextAlignment(a);
    bar.SetText(L"Align " + std::to_wstring(a));
    const int column = (a - 1) / 3, row = (a - 1) % 3;
    g.Place(bar, 10 + column * 200, 700 + row * 52);
  }
  bar.SetTextAlignment(5);

  // Effects 1..5, enabled and disabled, with the download window's colours.
  g.Label(620, 680, L"TextEffect 1-5: enabled | disabled", true);
  Resize(bar, 170, 30);
  bar.SetTheme(8);
  bar.SetValue(60);
  bar.SetTextFont(sb::FontDesc{L"宋体", 12, 700, 134});
  bar.SetTextForeColor(sb::FromRgbHex(0xC0FFFF));
  bar.SetTextEffectColor(sb::FromRgbHex(0x008080));
  for (int e = 1; e <= 5; ++e) {
    bar.SetTextEffect(e);
    bar.SetText(L"效果 Effect " + std::to_wstring(e));
    bar.SetEnabled(true);
    g.Place(bar, 620, 700 + (e - 1) * 38);
    bar.SetEnabled(false);
    g.Place(bar, 800, 700 + (e - 1) * 38);
  }

  // The download window's bar as restored from its design.
  g.Label(10, 900, L"Download window design (Value 10, then 37%)", true);
  sb::ProgressBar download;
  if (download.Create(form.hwnd(), 0, 60, sb::TwipsToPixels(3615), sb::TwipsToPixels(375), 2)) {
    download.ReadProperties(sb::DownloadWindowProgressBarDesign());
    g.Place(download, 10, 920);
    download.SetValue(37);
    download.SetText(L"37%");
    g.Place(download, 270, 920);
  }

  std::wstring path = folder + L"\\progressbar_gallery.png";
  if (!g.Save(path)) return 2;
  return 0;
}
