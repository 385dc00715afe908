#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "download/download_design.h"
#include "controls/progressbar/progress_bar.h"
#include "platform/form.h"
#include "skin/skin.h"
#include "skin/skin_kind.h"
#include "test_env.h"

namespace {

using sb::Colour;
using sb::FromRgbHex;
using sb::ProgressBar;

// Pixels of a bitmap as 0x00BBGGRR, row by row from the top.
struct Pixels {
  int width = 0, height = 0;
  std::vector<Colour> px;
  Colour At(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
  bool operator==(const Pixels&) const = default;
};

Pixels ReadBitmap(HBITMAP bmp) {
  Pixels out;
  BITMAP info{};
  if (!bmp || !GetObjectW(bmp, sizeof info, &info)) return out;
  out.width = info.bmWidth;
  out.height = info.bmHeight;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = out.width;
  bi.bmiHeader.biHeight = -out.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> raw(static_cast<size_t>(out.width) * out.height);
  sb::WindowDc screen = sb::WindowDc::Client(nullptr);
  GetDIBits(screen.get(), bmp, 0, out.height, raw.data(), &bi, DIB_RGB_COLORS);
  out.px.reserve(raw.size());
  for (DWORD v : raw) out.px.push_back(sb::MakeColour((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
  return out;
}

Pixels Picture(const ProgressBar& bar) {
  sb::UniqueBitmap copy = bar.Snapshot();
  return ReadBitmap(copy.get());
}

// What the screen shows of a window's client area.
Pixels ScreenOf(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  POINT origin{0, 0};
  ClientToScreen(hwnd, &origin);
  sb::WindowDc screen = sb::WindowDc::Client(nullptr);
  sb::UniqueMemoryDc mem(CreateCompatibleDC(screen.get()));
  sb::UniqueBitmap bmp(CreateCompatibleBitmap(screen.get(), rc.right, rc.bottom));
  {
    sb::SelectGuard select(mem.get(), bmp.get());
    BitBlt(mem.get(), 0, 0, rc.right, rc.bottom, screen.get(), origin.x, origin.y, SRCCOPY);
  }
  return ReadBitmap(bmp.get());
}

bool Near(Colour a, Colour b, int tolerance) {
  return std::abs(sb::RedOf(a) - sb::RedOf(b)) <= tolerance && std::abs(sb::GreenOf(a) - sb::GreenOf(b)) <= tolerance &&
         std::abs(sb::BlueOf(a) - sb::BlueOf(b)) <= tolerance;
}

// Linear mix of two colours, t from 0 to 1.
Colour Mix(Colour a, Colour b, double t) {
  auto ch = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5); };
  return sb::MakeColour(ch(sb::RedOf(a), sb::RedOf(b)), ch(sb::GreenOf(a), sb::GreenOf(b)),
                        ch(sb::BlueOf(a), sb::BlueOf(b)));
}

std::string Hex(Colour c) {
  char buf[16];
  snprintf(buf, sizeof buf, "#%02X%02X%02X", sb::RedOf(c), sb::GreenOf(c), sb::BlueOf(c));
  return buf;
}

bool IsGrey(Colour c, int tolerance = 1) {
  return std::abs(sb::RedOf(c) - sb::GreenOf(c)) <= tolerance && std::abs(sb::GreenOf(c) - sb::BlueOf(c)) <= tolerance;
}

int Count(const Pixels& p, Colour c) { return static_cast<int>(std::count(p.px.begin(), p.px.end(), c)); }

const sb::Ambient kAmbient{L"ProgressBar1", sb::FontDesc{L"宋体", 9, 400, 134}};

class ProgressBarWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(form.CreateForm({L"进度条", 6000, 3000}));
  }
  // Only tests that read the screen show the form: under Wine without a window
  // manager a shown top-level window takes seconds to destroy.
  void ShowForm() {
    SetWindowPos(form.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    sbtest::PumpFor(20);
  }
  // A bar restored from an empty store, then given a plain look: no caption.
  void Make(int w, int h) {
    ASSERT_TRUE(bar.Create(form.hwnd(), 8, 8, w, h, 101));
    bar.ReadProperties(sb::PropertyBag(kAmbient));
    bar.SetTextStyle(0);
  }
  sb::Form form;
  ProgressBar bar;
};

TEST_F(ProgressBarWindow, IsAWindowOfItsOwnClassWithoutClientEdge) {
  Make(241, 25);
  wchar_t cls[64];
  GetClassNameW(bar.hwnd(), cls, 64);
  EXPECT_STREQ(cls, L"SongBoxProgressBar");
  EXPECT_EQ(GetWindowLongPtrW(bar.hwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_EQ(GetParent(bar.hwnd()), form.hwnd());
  EXPECT_EQ(GetDlgCtrlID(bar.hwnd()), 101);
  RECT rc;
  GetClientRect(bar.hwnd(), &rc);
  EXPECT_EQ(rc.right, 241);
  EXPECT_EQ(rc.bottom, 25);
}

TEST_F(ProgressBarWindow, Theme8At37PercentDrawsBothBandsOfTrackAndBar) {
  Make(241, 25);
  bar.SetTheme(8);
  bar.SetValue(37);
  Pixels p = Picture(bar);
  ASSERT_EQ(p.width, 241);
  ASSERT_EQ(p.height, 25);
  // GradientFill interpolates from the band's first row (t = 0) to its bottom edge (t = 1).
  // Upper band rows 0..11: bar #E1F7FF -> #43D0FF left of x 89, track #FAFDFE -> #E4F3FC right of it.
  for (int y = 1; y < 12; ++y) {
    EXPECT_TRUE(Near(p.At(40, y), Mix(FromRgbHex(0xE1F7FF), FromRgbHex(0x43D0FF), y / 12.0), 2))
        << y << " " << Hex(p.At(40, y));
    EXPECT_TRUE(Near(p.At(150, y), Mix(FromRgbHex(0xFAFDFE), FromRgbHex(0xE4F3FC), y / 12.0), 2))
        << y << " " << Hex(p.At(150, y));
  }
  // Lower band rows 12..24 (row 23 is the outline): #3F70E9 -> #3FE2F6.
  for (int y = 12; y < 25; ++y) {
    if (y == 23) continue;
    EXPECT_TRUE(Near(p.At(40, y), Mix(FromRgbHex(0x3F70E9), FromRgbHex(0x3FE2F6), (y - 12) / 13.0), 2))
        << y << " " << Hex(p.At(40, y));
  }
  EXPECT_TRUE(Near(p.At(40, 12), FromRgbHex(0x3F70E9), 2)) << Hex(p.At(40, 12));
  EXPECT_TRUE(Near(p.At(3, 12), FromRgbHex(0x3F70E9), 2)) << Hex(p.At(3, 12));
  EXPECT_TRUE(Near(p.At(87, 24), Mix(FromRgbHex(0x3F70E9), FromRgbHex(0x3FE2F6), 12 / 13.0), 2)) << Hex(p.At(87, 24));
  EXPECT_TRUE(Near(p.At(87, 11), Mix(FromRgbHex(0xE1F7FF), FromRgbHex(0x43D0FF), 11 / 12.0), 2)) << Hex(p.At(87, 11));
  EXPECT_EQ(p.At(40, 23), FromRgbHex(0x178BD3));
  // The bar is 89 pixels long.
  EXPECT_TRUE(Near(p.At(88, 6), p.At(40, 6), 2));
  EXPECT_TRUE(Near(p.At(89, 6), p.At(150, 6), 2)) << Hex(p.At(89, 6));
  EXPECT_TRUE(Near(p.At(88, 18), p.At(40, 18), 2));
  EXPECT_TRUE(Near(p.At(89, 18), p.At(150, 18), 2));
  // The outline in #178BD3 along the top and the left.
  EXPECT_EQ(p.At(120, 0), FromRgbHex(0x178BD3));
  EXPECT_EQ(p.At(0, 12), FromRgbHex(0x178BD3));
}

TEST_F(ProgressBarWindow, WindowShapeHasRoundedCornersThatFollowRoundedValue) {
  Make(241, 25);
  bar.SetRoundedValue(12);
  sb::UniqueRegion rgn(CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(GetWindowRgn(bar.hwnd(), rgn.get()), ERROR);
  EXPECT_FALSE(PtInRegion(rgn.get(), 0, 0));
  EXPECT_FALSE(PtInRegion(rgn.get(), 240, 0));
  EXPECT_FALSE(PtInRegion(rgn.get(), 0, 24));
  EXPECT_FALSE(PtInRegion(rgn.get(), 240, 24));
  EXPECT_TRUE(PtInRegion(rgn.get(), 120, 0));
  EXPECT_TRUE(PtInRegion(rgn.get(), 0, 12));
  EXPECT_TRUE(PtInRegion(rgn.get(), 239, 12));
  EXPECT_FALSE(PtInRegion(rgn.get(), 241, 12));

  bar.SetRoundedValue(0);
  ASSERT_NE(GetWindowRgn(bar.hwnd(), rgn.get()), ERROR);
  EXPECT_TRUE(PtInRegion(rgn.get(), 0, 0));
  EXPECT_TRUE(PtInRegion(rgn.get(), 239, 23));
}

TEST_F(ProgressBarWindow, VerticalBarFillsFromTheTop) {
  Make(31, 120);
  bar.SetOrientations(2);
  bar.SetValue(25);  // 30 pixels
  Pixels p = Picture(bar);
  // Left bands run left to right: bar #FBF4DF -> #EFD585, track #F8F6F2 -> #E9E3D3.
  EXPECT_TRUE(Near(p.At(8, 15), Mix(FromRgbHex(0xFBF4DF), FromRgbHex(0xEFD585), 8 / 16.0), 6)) << Hex(p.At(8, 15));
  EXPECT_TRUE(Near(p.At(8, 90), Mix(FromRgbHex(0xF8F6F2), FromRgbHex(0xE9E3D3), 8 / 16.0), 6)) << Hex(p.At(8, 90));
  EXPECT_EQ(p.At(8, 29), p.At(8, 15));
  EXPECT_EQ(p.At(8, 30), p.At(8, 90));
  // Right bands: bar from #CBA639.
  EXPECT_TRUE(Near(p.At(17, 15), FromRgbHex(0xCBA639), 20)) << Hex(p.At(17, 15));
}

TEST_F(ProgressBarWindow, OtherOrientationsShowOnlyTheOutlineOnTheClearedSurface) {
  Make(100, 20);
  bar.SetOrientations(3);
  Pixels p = Picture(bar);
  const Colour background = GetSysColor(COLOR_BTNFACE);
  for (int y = 2; y < 17; ++y) {
    for (int x = 2; x < 97; ++x) ASSERT_EQ(p.At(x, y), background) << x << "," << y;
  }
  EXPECT_EQ(p.At(50, 0), FromRgbHex(0xCCA83E));
  EXPECT_EQ(p.At(50, 18), FromRgbHex(0xCCA83E));
}

TEST_F(ProgressBarWindow, ValueZeroShowsOnlyTheTrack) {
  Make(241, 25);
  bar.SetValue(100);
  Pixels full = Picture(bar);
  bar.SetValue(0);
  Pixels empty = Picture(bar);
  const Colour trackTop = Mix(FromRgbHex(0xF8F6F2), FromRgbHex(0xE9E3D3), 6 / 12.0);
  for (int x : {2, 60, 120, 200, 237}) {
    EXPECT_TRUE(Near(empty.At(x, 6), trackTop, 4)) << x << " " << Hex(empty.At(x, 6));
    EXPECT_FALSE(Near(full.At(x, 6), trackTop, 4)) << x;
  }
}

TEST_F(ProgressBarWindow, MinDoesNotShortenTheBar) {
  Make(241, 25);
  bar.SetMin(20);
  bar.SetValue(20);
  Pixels p = Picture(bar);
  // nearest(241 x 20 %) = 48
  EXPECT_EQ(p.At(47, 18), p.At(20, 18));
  EXPECT_NE(p.At(48, 18), p.At(20, 18));
  EXPECT_EQ(p.At(48, 18), p.At(150, 18));
}

TEST_F(ProgressBarWindow, DisabledDrawsEverythingInGreyKeepingTheEffectGrey) {
  Make(241, 25);
  bar.SetTheme(8);
  bar.SetValue(60);
  bar.SetTextStyle(3);
  bar.SetText(L"WWWWWW");
  bar.SetTextFont(sb::FontDesc{L"Tahoma", 14, 700, 0});
  bar.SetTextForeColor(FromRgbHex(0xFF0000));
  bar.SetTextEffectColor(FromRgbHex(0x00FF00));
  bar.SetTextEffect(2);
  Pixels enabled = Picture(bar);
  EXPECT_GT(Count(enabled, FromRgbHex(0xFF0000)), 10);
  EXPECT_GT(Count(enabled, FromRgbHex(0x808080)), 3);

  bar.SetEnabled(false);
  Pixels disabled = Picture(bar);
  for (int y = 1; y < 23; ++y) {
    for (int x = 3; x < 237; ++x) ASSERT_TRUE(IsGrey(disabled.At(x, y))) << x << "," << y << " " << Hex(disabled.At(x, y));
  }
  EXPECT_EQ(Count(disabled, FromRgbHex(0xFF0000)), 0);
  EXPECT_GT(Count(disabled, FromRgbHex(0x555555)), 10);  // the text colour's grey
  EXPECT_GT(Count(disabled, FromRgbHex(0x808080)), 3);   // the effect grey, unchanged
  EXPECT_EQ(disabled.At(120, 0), sb::GreyColour(FromRgbHex(0x178BD3)));
}

TEST_F(ProgressBarWindow, EffectsZeroAndSixShowNoCaption) {
  Make(241, 25);
  Pixels plain = Picture(bar);
  bar.SetTextStyle(3);
  bar.SetText(L"下载进度");
  bar.SetTextEffect(1);
  EXPECT_NE(Picture(bar), plain);
  bar.SetTextEffect(0);
  EXPECT_EQ(Picture(bar), plain);
  bar.SetTextEffect(6);
  EXPECT_EQ(Picture(bar), plain);
}

TEST_F(ProgressBarWindow, DownloadDesignDrawsItsOutlinedCaptionCentred) {
  ASSERT_TRUE(bar.Create(form.hwnd(), 8, 8, 241, 25, 101));
  bar.ReadProperties(sb::DownloadWindowProgressBarDesign());
  EXPECT_EQ(bar.Value(), 10);
  EXPECT_EQ(bar.Text(), L"下载进度");
  EXPECT_EQ(bar.TextFont().charset, 134);
  Pixels p = Picture(bar);
  EXPECT_GT(Count(p, FromRgbHex(0xC0FFFF)), 10);
  EXPECT_GT(Count(p, FromRgbHex(0x008080)), 10);
  bar.SetTextStyle(0);
  Pixels plain = Picture(bar);
  // The caption's ink is what differs from the picture without it.
  int minX = 241, maxX = -1;
  for (int y = 0; y < 25; ++y) {
    for (int x = 0; x < 241; ++x) {
      if (p.At(x, y) == plain.At(x, y)) continue;
      minX = std::min(minX, x);
      maxX = std::max(maxX, x);
    }
  }
  ASSERT_GT(maxX, minX);
  EXPECT_LE(std::abs(minX - (240 - maxX)), 4) << minX << " " << maxX;
}

TEST_F(ProgressBarWindow, CaptionAlignmentMovesTheText) {
  Make(241, 40);
  bar.SetTheme(3);
  bar.SetTextStyle(1);
  bar.SetValue(88);
  bar.SetTextForeColor(FromRgbHex(0xFF00FF));
  bar.SetTextEffect(1);
  auto inkBox = [&] {
    Pixels p = Picture(bar);
    RECT box{p.width, p.height, -1, -1};
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) {
        if (p.At(x, y) != FromRgbHex(0xFF00FF)) continue;
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x);
        box.bottom = std::max<LONG>(box.bottom, y);
      }
    }
    return box;
  };
  bar.SetTextAlignment(1);
  RECT topLeft = inkBox();
  bar.SetTextAlignment(9);
  RECT bottomRight = inkBox();
  bar.SetTextAlignment(5);
  RECT middle = inkBox();
  ASSERT_GE(topLeft.right, 0);
  EXPECT_LT(topLeft.left, 6);
  EXPECT_LT(topLeft.top, 8);
  EXPECT_GT(bottomRight.right, 230);
  EXPECT_GT(bottomRight.bottom, 28);
  EXPECT_GT(middle.left, 100);
  EXPECT_LT(middle.right, 140);
}

TEST_F(ProgressBarWindow, EverySetterRedrawsAtOnceAndUnchangedPicturesAreSkipped) {
  Make(241, 25);
  sb::PropertyBag site(kAmbient);
  std::vector<std::wstring> changed;
  site.OnChanged([&](std::wstring_view key) { changed.emplace_back(key); });
  bar.SetSite(&site);
  bar.SetTextStyle(3);
  bar.SetText(L"10%");
  bar.SetValue(10);
  const int draws = bar.DrawCount();
  Pixels before = Picture(bar);

  bar.SetValue(10);
  bar.SetText(L"10%");
  EXPECT_EQ(bar.DrawCount(), draws);
  EXPECT_TRUE(site.Dirty());
  EXPECT_EQ(changed.back(), L"Text");

  bar.SetValue(11);
  EXPECT_EQ(bar.DrawCount(), draws + 1);
  Pixels after = Picture(bar);  // no message pumped in between
  EXPECT_NE(after, before);
  bar.SetText(L"11%");
  EXPECT_EQ(bar.DrawCount(), draws + 2);

  bar.SetValue(500);  // clamped to 100
  EXPECT_EQ(bar.Value(), 100);
  EXPECT_EQ(bar.DrawCount(), draws + 3);
  bar.SetValue(600);  // clamps to the same 100
  EXPECT_EQ(bar.DrawCount(), draws + 3);

  bar.Refresh();
  EXPECT_EQ(bar.DrawCount(), draws + 4);
  bar.SetSite(nullptr);
}

TEST_F(ProgressBarWindow, ResizingRedrawsAtTheNewSize) {
  Make(241, 25);
  bar.SetValue(50);
  SetWindowPos(bar.hwnd(), nullptr, 0, 0, 101, 30, SWP_NOMOVE | SWP_NOZORDER);
  Pixels p = Picture(bar);
  ASSERT_EQ(p.width, 101);
  ASSERT_EQ(p.height, 30);
  // nearest(50.5) = 50
  EXPECT_EQ(p.At(49, 20), p.At(10, 20));
  EXPECT_NE(p.At(50, 20), p.At(10, 20));
  sb::UniqueRegion rgn(CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(GetWindowRgn(bar.hwnd(), rgn.get()), ERROR);
  EXPECT_TRUE(PtInRegion(rgn.get(), 99, 15));
  EXPECT_FALSE(PtInRegion(rgn.get(), 110, 15));
}

TEST_F(ProgressBarWindow, PicturePersistsWhenCoveredAndUncovered) {
  ShowForm();
  ASSERT_TRUE(bar.Create(form.hwnd(), 8, 8, 241, 25, 101));
  bar.ReadProperties(sb::DownloadWindowProgressBarDesign());
  bar.SetValue(37);
  bar.SetText(L"37%");
  UpdateWindow(bar.hwnd());
  Pixels drawn = Picture(bar);
  // Compare inside the rounded shape only.
  auto sameInside = [&](const Pixels& shown) {
    if (shown.width != drawn.width || shown.height != drawn.height) return false;
    for (int y = 3; y < 22; ++y) {
      for (int x = 3; x < 238; ++x) {
        if (shown.At(x, y) != drawn.At(x, y)) return false;
      }
    }
    return true;
  };
  EXPECT_TRUE(sbtest::PumpUntil([&] { return sameInside(ScreenOf(bar.hwnd())); }, 10000));

  POINT origin{0, 0};
  ClientToScreen(bar.hwnd(), &origin);
  {
    sb::UniqueWindow cover(CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_BLACKRECT,
                                           origin.x - 5, origin.y - 5, 300, 40, nullptr, nullptr,
                                           GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(cover);
    EXPECT_TRUE(sbtest::PumpUntil([&] { return !sameInside(ScreenOf(bar.hwnd())); }, 10000));
  }
  EXPECT_TRUE(sbtest::PumpUntil([&] { return sameInside(ScreenOf(bar.hwnd())); }, 10000));

  // A repaint asked for by the system shows the same back buffer.
  InvalidateRect(bar.hwnd(), nullptr, TRUE);
  UpdateWindow(bar.hwnd());
  EXPECT_TRUE(sameInside(ScreenOf(bar.hwnd())));
}

TEST_F(ProgressBarWindow, SkinOfTheParentLeavesTheBarAlone) {
  ShowForm();
  ASSERT_TRUE(bar.Create(form.hwnd(), 8, 8, 241, 25, 101));
  bar.ReadProperties(sb::DownloadWindowProgressBarDesign());
  sbtest::PumpFor(50);
  Pixels before = Picture(bar);
  Pixels shownBefore = ScreenOf(bar.hwnd());

  EXPECT_EQ(sb::KindOf(bar.hwnd()), sb::SkinKind::Other);
  EXPECT_NE(sb::KindFromClassName(L"songboxprogressbar"), sb::SkinKind::ProgressBar);

  ASSERT_TRUE(sb::SkinAttach(form.hwnd()));
  sbtest::PumpFor(100);
  InvalidateRect(bar.hwnd(), nullptr, TRUE);
  UpdateWindow(bar.hwnd());
  EXPECT_EQ(Picture(bar), before);
  Pixels shownAfter = ScreenOf(bar.hwnd());
  EXPECT_EQ(shownAfter.At(120, 3), shownBefore.At(120, 3));
  EXPECT_EQ(shownAfter.At(40, 18), shownBefore.At(40, 18));
  bar.SetValue(60);
  sbtest::PumpFor(50);
  EXPECT_EQ(Picture(bar).At(120, 18), ScreenOf(bar.hwnd()).At(120, 18));
  EXPECT_TRUE(sb::SkinDetach(form.hwnd()));
}

TEST_F(ProgressBarWindow, DestroyedWithItsParentWithoutDestroyingTwice) {
  Make(241, 25);
  HWND hwnd = bar.hwnd();
  form.Unload();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(bar.hwnd(), nullptr);
  bar.SetValue(3);  // no window: stored, nothing drawn
  EXPECT_EQ(bar.Value(), 3);
}

// A 32-bit top-down memory surface for the public gradient methods.
struct Surface {
  sb::UniqueMemoryDc dc;
  sb::UniqueBitmap bmp;
  std::optional<sb::SelectGuard> select;
  Surface(int w, int h) {
    sb::WindowDc screen = sb::WindowDc::Client(nullptr);
    dc.reset(CreateCompatibleDC(screen.get()));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bmp.reset(CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    select.emplace(dc.get(), bmp.get());
    RECT all{0, 0, w, h};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  Pixels Read() {
    GdiFlush();
    return ReadBitmap(bmp.get());
  }
};

TEST(ProgressBarGradients, GradientTwoColourGivesFullChannelsInBothDirections) {
  Surface s(256, 264);
  ASSERT_TRUE(ProgressBar::GradientTwoColour(s.dc.get(), 0, FromRgbHex(0x000000), FromRgbHex(0xFFFFFF), 0, 0, 256, 8));
  ASSERT_TRUE(ProgressBar::GradientTwoColour(s.dc.get(), 1, FromRgbHex(0xFF0000), FromRgbHex(0x0000FF), 0, 8, 256, 264));
  Pixels p = s.Read();
  EXPECT_TRUE(Near(p.At(0, 4), FromRgbHex(0x000000), 2)) << Hex(p.At(0, 4));
  EXPECT_TRUE(Near(p.At(128, 4), FromRgbHex(0x808080), 2)) << Hex(p.At(128, 4));
  EXPECT_TRUE(Near(p.At(255, 4), FromRgbHex(0xFFFFFF), 2)) << Hex(p.At(255, 4));
  EXPECT_TRUE(Near(p.At(10, 8), FromRgbHex(0xFF0000), 2)) << Hex(p.At(10, 8));
  EXPECT_TRUE(Near(p.At(10, 136), FromRgbHex(0x800080), 2)) << Hex(p.At(10, 136));
  EXPECT_TRUE(Near(p.At(10, 263), FromRgbHex(0x0000FF), 2)) << Hex(p.At(10, 263));
  EXPECT_EQ(p.At(10, 8), p.At(200, 8));
}

TEST(ProgressBarGradients, FourColourRowsStopOneStepShortOfTheFarCorners) {
  Surface s(8, 8);
  ASSERT_TRUE(ProgressBar::DrawGradientFourColour(s.dc.get(), 1, 2, 4, 4, FromRgbHex(0x000000), FromRgbHex(0xFFFFFF),
                                                  FromRgbHex(0x000000), FromRgbHex(0xFFFFFF)));
  Pixels p = s.Read();
  const int expected[] = {0, 64, 128, 191};
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(p.At(1 + x, 2), sb::MakeColour(expected[x], expected[x], expected[x])) << x;
    EXPECT_EQ(p.At(1 + x, 5), p.At(1 + x, 2)) << x;
  }
  EXPECT_EQ(p.At(5, 2), FromRgbHex(0xFFFFFF));  // untouched beyond the width
  EXPECT_EQ(p.At(1, 6), FromRgbHex(0xFFFFFF));  // and below the height
  EXPECT_EQ(p.At(0, 2), FromRgbHex(0xFFFFFF));
}

TEST(ProgressBarGradients, FourColourInterpolatesDownTheSidesThenAcross) {
  Surface s(4, 4);
  ASSERT_TRUE(ProgressBar::DrawGradientFourColour(s.dc.get(), 0, 0, 4, 4, FromRgbHex(0xFF0000), FromRgbHex(0x00FF00),
                                                  FromRgbHex(0x0000FF), FromRgbHex(0xFFFFFF)));
  Pixels p = s.Read();
  EXPECT_EQ(p.At(0, 0), FromRgbHex(0xFF0000));
  EXPECT_EQ(p.At(0, 3), sb::MakeColour(64, 0, 191));       // left side three steps down
  EXPECT_EQ(p.At(3, 0), sb::MakeColour(64, 191, 0));       // top row three steps across
  EXPECT_EQ(p.At(0, 2), sb::MakeColour(128, 0, 128));
  EXPECT_EQ(p.At(2, 2), sb::MakeColour(128, 128, 128));    // (128,0,128) to (128,255,128) half way
}

TEST(ProgressBarGradients, FourColourRefusesNegativeAndHugeSizes) {
  Surface s(4, 4);
  EXPECT_FALSE(ProgressBar::DrawGradientFourColour(s.dc.get(), 0, 0, -1, 4, 0, 0, 0, 0));
  EXPECT_FALSE(ProgressBar::DrawGradientFourColour(s.dc.get(), 0, 0, 4, -1, 0, 0, 0, 0));
  EXPECT_FALSE(ProgressBar::DrawGradientFourColour(s.dc.get(), 0, 0, 0x7FFFFFFF, 1, 0, 0, 0, 0));
  EXPECT_TRUE(ProgressBar::DrawGradientFourColour(s.dc.get(), 0, 0, 0, 0, 0, 0, 0, 0));
  EXPECT_EQ(s.Read().At(0, 0), FromRgbHex(0xFFFFFF));
}

}  // namespace
