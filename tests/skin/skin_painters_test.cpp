// The painters of check boxes, option buttons, combo boxes, lists, headers,
// progress bars and flat borders, on real controls, read back by pixels.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/handles.h"
#include "skin/skin.h"
#include "skin/skin_draw.h"
#include "skin/skin_kind.h"
#include "skin/skin_painters.h"
#include "skin/skin_pixel_art.h"
#include "skin/skin_props.h"
#include "skin/skin_state.h"
#include "test_env.h"

namespace {

using sb::GetSkinProp;
using sb::Hex;
using sb::Surface;

constexpr COLORREF kOdd = RGB(0x12, 0x34, 0x56);
constexpr COLORREF kWhite = sb::kSkinWhite;
constexpr COLORREF kCyan = RGB(192, 255, 255);

// Registers `name` as a superclass of the system class `base`.
void Superclass(const wchar_t* base, const wchar_t* name) {
  WNDCLASSEXW wc{sizeof wc};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) return;
  ASSERT_TRUE(GetClassInfoExW(nullptr, base, &wc)) << base;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = name;
  wc.style &= ~CS_GLOBALCLASS;
  ASSERT_NE(RegisterClassExW(&wc), 0) << name;
}

LRESULT CALLBACK PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

// A parent that gives its edits a cyan background.
LRESULT CALLBACK TintedProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  static const sb::UniqueBrush cyan(CreateSolidBrush(kCyan));
  if (m != WM_CTLCOLOREDIT) return DefWindowProcW(h, m, w, l);
  SetBkColor(reinterpret_cast<HDC>(w), kCyan);
  return reinterpret_cast<LRESULT>(cyan.get());
}

void RegisterPlain(const wchar_t* name, int brush = WHITE_BRUSH, WNDPROC proc = PlainProc) {
  WNDCLASSEXW wc{sizeof wc};
  if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) return;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(brush));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  ASSERT_NE(RegisterClassExW(&wc), 0);
}

COLORREF Pixel(HWND hwnd, int x, int y) { return GetPixel(sb::WindowDc::Whole(hwnd).get(), x, y); }
COLORREF StripPixel(const Surface& s, int x, int y) { return GetPixel(s.dc(), x, y); }

int CountColour(HWND hwnd, int x, int y, int w, int h, COLORREF c) {
  sb::WindowDc dc = sb::WindowDc::Whole(hwnd);
  int n = 0;
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) n += GetPixel(dc.get(), i, j) == c;
  return n;
}

int ButtonLeftOf(HWND combo) { return sb::WindowBox(combo).width - GetSystemMetrics(SM_CXVSCROLL) - 2; }

LPARAM Point(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

// Skins one control on its own and lets it paint.
void SkinOne(HWND h) {
  EXPECT_TRUE(sb::SkinAttach(h));
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
}

class SkinPainters : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    Superclass(L"Button", L"ThunderCheckBox");
    Superclass(L"Button", L"ThunderOptionButton");
    Superclass(L"ComboBox", L"ThunderComboBox");
    Superclass(L"ComboBox", L"ThunderDriveListBox");
    Superclass(PROGRESS_CLASSW, L"ProgressBar20WndClass");
    RegisterPlain(L"ApexGridTest");
    RegisterPlain(L"SkinPaintersHost");
    RegisterPlain(L"SkinPaintersPanel", GRAY_BRUSH);
    RegisterPlain(L"SkinPaintersTinted", WHITE_BRUSH, TintedProc);
  }
  static void TearDownTestSuite() { Host().reset(); }

  void SetUp() override {
    // One host for the whole run: creating top-level windows is slow under Wine.
    if (!Host()) {
      Host().reset(CreateWindowExW(0, L"SkinPaintersHost", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 640,
                                   400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    }
    ASSERT_TRUE(Host());
    host_ = Host().get();
    SetCursorPos(1200, 780);  // away from the host
    cx_ = GetSystemMetrics(SM_CXMENUCHECK);
    cy_ = GetSystemMetrics(SM_CYMENUCHECK);
  }
  void TearDown() override {
    while (HWND child = GetWindow(host_, GW_CHILD)) DestroyWindow(child);
    sbtest::PumpFor(10);
  }
  static sb::UniqueWindow& Host() {
    static sb::UniqueWindow host;
    return host;
  }

  HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, DWORD ex = 0) {
    HWND c = CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, host_, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(c, nullptr) << cls;
    return c;
  }
  void Settle() {
    UpdateWindow(host_);
    sbtest::PumpFor(30);
  }
  // Read back through the host's own DC: the screen may not show the last paints yet.
  void SaveGallery(const wchar_t* state, HWND window = nullptr) {
    if (!window) window = host_;
    const sb::WindowBoxInfo box = sb::WindowBox(window);
    sb::WindowDc dc = sb::WindowDc::Whole(window);
    sb::UniqueMemoryDc mem(CreateCompatibleDC(dc.get()));
    sb::UniqueBitmap bmp(CreateCompatibleBitmap(dc.get(), box.width, box.height));
    {
      sb::SelectGuard sel(mem.get(), bmp.get());
      BitBlt(mem.get(), 0, 0, box.width, box.height, dc.get(), 0, 0, SRCCOPY);
    }
    sbtest::SaveBitmapPng(bmp.get(), sbtest::BuildDir() + L"\\skin_gallery_painters_" + state + L".png");
  }

  HWND host_ = nullptr;
  int cx_ = 13, cy_ = 13;
};

// ---------------------------------------------------------------- bitmaps

struct StripCase {
  const char* name;
  int width, height;
  int (*draw)(HDC);
};

TEST(SkinBitmaps, EveryPixelOfTheFourStripsIsSet) {
  const StripCase cases[] = {{"combo parts", 15, 18, sb::DrawComboPartsStrip},
                             {"glyphs", 18, 24, sb::DrawGlyphStrip},
                             {"option faces", 13, 52, sb::DrawOptionFaceStrip},
                             {"header faces", 9, 20, sb::DrawHeaderFaceStrip}};
  int total = 0;
  for (const StripCase& c : cases) {
    Surface s = Surface::Make(c.width + 2, c.height + 2);
    sb::FillBox(s.dc(), 0, 0, c.width + 2, c.height + 2, kOdd);
    const int set = c.draw(s.dc());
    EXPECT_EQ(set, c.width * c.height) << c.name;
    total += set;
    int odd = 0;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) odd += GetPixel(s.dc(), x, y) == kOdd;
    EXPECT_EQ(odd, 0) << c.name;
    // nothing drawn beyond the strip
    for (int y = 0; y < c.height + 2; ++y) EXPECT_EQ(GetPixel(s.dc(), c.width, y), kOdd) << c.name;
    for (int x = 0; x < c.width + 2; ++x) EXPECT_EQ(GetPixel(s.dc(), x, c.height), kOdd) << c.name;
  }
  EXPECT_EQ(total, 1558);
}

TEST(SkinBitmaps, BuiltStripsHaveTheirSizesAndTellingColours) {
  Surface combo = sb::BuildComboPartsStrip();
  Surface glyphs = sb::BuildGlyphStrip();
  Surface options = sb::BuildOptionFaceStrip();
  Surface headers = sb::BuildHeaderFaceStrip();
  EXPECT_EQ(combo.width(), 15);
  EXPECT_EQ(combo.height(), 18);
  EXPECT_EQ(glyphs.width(), 18);
  EXPECT_EQ(glyphs.height(), 24);
  EXPECT_EQ(options.width(), 13);
  EXPECT_EQ(options.height(), 52);
  EXPECT_EQ(headers.width(), 9);
  EXPECT_EQ(headers.height(), 20);

  // combo faces: outline column, hot and pressed gradients running opposite ways
  for (int y = 0; y < 18; ++y) {
    EXPECT_EQ(StripPixel(combo, 0, y), Hex(0x4EA0D1));
    EXPECT_EQ(StripPixel(combo, 4, y), Hex(0x4EA0D1));
  }
  EXPECT_EQ(StripPixel(combo, 1, 0), Hex(0xE8F9FF));
  EXPECT_EQ(StripPixel(combo, 1, 17), Hex(0xC0E1F3));
  EXPECT_EQ(StripPixel(combo, 2, 0), Hex(0xC1EEFD));
  EXPECT_EQ(StripPixel(combo, 2, 17), Hex(0x65B8E3));
  EXPECT_EQ(StripPixel(combo, 5, 0), Hex(0xBEE1F3));
  EXPECT_EQ(StripPixel(combo, 5, 17), Hex(0xE6F8FE));
  EXPECT_EQ(StripPixel(combo, 6, 0), Hex(0x61B5E2));
  EXPECT_EQ(StripPixel(combo, 6, 17), Hex(0xBCEBFC));
  // arrows: 7, 5, 3, 1 pixels wide, key colour beside; the rest of columns 8..14 key
  const int widths[] = {7, 5, 3, 1};
  for (int glyph = 0; glyph < 2; ++glyph)
    for (int row = 0; row < 4; ++row) {
      int ink = 0;
      for (int x = 8; x < 15; ++x) {
        const COLORREF c = StripPixel(combo, x, 4 * glyph + row);
        if (c != sb::kSkinKeyColor) {
          EXPECT_EQ(c, glyph == 0 ? Hex(0x19555F) : Hex(0x84A5AC));
          ++ink;
        }
      }
      EXPECT_EQ(ink, widths[row]);
      EXPECT_EQ(StripPixel(combo, 11, 4 * glyph + row), glyph == 0 ? Hex(0x19555F) : Hex(0x84A5AC));
    }
  for (int y = 8; y < 18; ++y)
    for (int x = 8; x < 15; ++x) EXPECT_EQ(StripPixel(combo, x, y), sb::kSkinKeyColor);

  // glyphs: the indeterminate squares are full gradients, the dots have key corners
  for (int y = 9; y < 16; ++y)
    for (int x = 1; x < 8; ++x) EXPECT_NE(StripPixel(glyphs, x, y), sb::kSkinKeyColor);
  EXPECT_EQ(StripPixel(glyphs, 1, 9), Hex(0x51B41B));
  EXPECT_EQ(StripPixel(glyphs, 7, 15), Hex(0x399606));
  EXPECT_EQ(StripPixel(glyphs, 10, 9), Hex(0xA6D98B));
  EXPECT_EQ(StripPixel(glyphs, 16, 15), Hex(0x9AC980));
  EXPECT_EQ(StripPixel(glyphs, 0, 9), sb::kSkinKeyColor);
  EXPECT_EQ(StripPixel(glyphs, 2, 18), sb::kSkinKeyColor);
  EXPECT_EQ(StripPixel(glyphs, 6, 22), sb::kSkinKeyColor);
  EXPECT_EQ(StripPixel(glyphs, 3, 18), Hex(0x87CC60));
  EXPECT_EQ(StripPixel(glyphs, 4, 20), Hex(0x4FB119));
  EXPECT_EQ(StripPixel(glyphs, 4, 22), Hex(0x47A812));
  EXPECT_EQ(StripPixel(glyphs, 13, 20), Hex(0xA7D88C));
  EXPECT_EQ(StripPixel(glyphs, 12, 18), Hex(0xC3E5AF));
  // the check marks: same shape, vivid and pale greens, top to bottom
  int tick = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 9; ++x) {
      const COLORREF on = StripPixel(glyphs, x, y), off = StripPixel(glyphs, x + 9, y);
      EXPECT_EQ(on == sb::kSkinKeyColor, off == sb::kSkinKeyColor) << x << "," << y;
      if (on == sb::kSkinKeyColor) continue;
      ++tick;
      EXPECT_GT(GetGValue(on), GetRValue(on) + 0x40);
      EXPECT_GT(GetGValue(off), GetRValue(off) + 0x20);
      EXPECT_GT(GetRValue(off), GetRValue(on));
    }
  EXPECT_GE(tick, 14);
  EXPECT_EQ(StripPixel(glyphs, 8, 1), Hex(0x54B71D));
  EXPECT_EQ(StripPixel(glyphs, 3, 7), Hex(0x359102));
  EXPECT_EQ(StripPixel(glyphs, 17, 1), Hex(0xA8DA8C));
  EXPECT_EQ(StripPixel(glyphs, 12, 7), Hex(0x98C77E));

  // option circles: ring colours, key outside, white or gradient inside
  const COLORREF rings[] = {Hex(0x83A6D2), Hex(0x83A6D2), Hex(0x6489C1), Hex(0xC1D2E8)};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(StripPixel(options, 6, 13 * i), rings[i]);
    EXPECT_EQ(StripPixel(options, 0, 13 * i + 6), rings[i]);
    EXPECT_EQ(StripPixel(options, 0, 13 * i), sb::kSkinKeyColor);
    EXPECT_EQ(StripPixel(options, 12, 13 * i + 12), sb::kSkinKeyColor);
  }
  EXPECT_EQ(StripPixel(options, 6, 6), kWhite);
  EXPECT_EQ(StripPixel(options, 6, 45), kWhite);
  EXPECT_EQ(StripPixel(options, 2, 1), Hex(0xBCCFE7));
  EXPECT_EQ(StripPixel(options, 2, 27), Hex(0xA4BCDD));
  // the check-box bands: 11 x 5 of inside, light at top-left to lighter at bottom-right
  for (int band : {17, 30})
    for (int y = band; y < band + 5; ++y)
      for (int x = 1; x < 12; ++x) {
        const COLORREF c = StripPixel(options, x, y);
        EXPECT_NE(c, sb::kSkinKeyColor);
        EXPECT_GT(GetBValue(c), GetRValue(c) + 0x10) << x << "," << y;
      }
  EXPECT_LT(GetRValue(StripPixel(options, 1, 30)), GetRValue(StripPixel(options, 1, 17)));

  // header faces
  for (int x = 0; x < 9; ++x) EXPECT_EQ(StripPixel(headers, x, 19), Hex(0xC0DAF2));
  EXPECT_EQ(StripPixel(headers, 1, 0), Hex(0xEAF5FE));
  EXPECT_EQ(StripPixel(headers, 1, 18), Hex(0xD3E5F6));
  EXPECT_EQ(StripPixel(headers, 2, 9), Hex(0x7AB0D9));
  EXPECT_EQ(StripPixel(headers, 3, 5), Hex(0x5EC2FA));
  EXPECT_EQ(StripPixel(headers, 4, 0), Hex(0xC8EBFE));
  EXPECT_EQ(StripPixel(headers, 6, 5), Hex(0x5EC2FA));
  EXPECT_EQ(StripPixel(headers, 7, 0), Hex(0xA0DDFF));
  EXPECT_EQ(StripPixel(headers, 8, 5), Hex(0x4BA2DB));
}

TEST(SkinBitmaps, RebuildingGivesIdenticalPixels) {
  Surface a = sb::BuildOptionFaceStrip();
  Surface b = sb::BuildOptionFaceStrip();
  for (int y = 0; y < 52; ++y)
    for (int x = 0; x < 13; ++x) ASSERT_EQ(StripPixel(a, x, y), StripPixel(b, x, y));
}

TEST(SkinBitmaps, ArrowKeyCopyLeavesTheKeyPixelsTransparent) {
  Surface combo = sb::BuildComboPartsStrip();
  Surface t = Surface::Make(9, 6);
  sb::FillBox(t.dc(), 0, 0, 9, 6, kOdd);
  sb::KeyColorBlt(t.dc(), 1, 1, 7, 4, combo.dc(), 8, 0, sb::kSkinKeyColor);
  int seeThrough = 0, arrow = 0;
  for (int y = 1; y < 5; ++y)
    for (int x = 1; x < 8; ++x) {
      const COLORREF c = GetPixel(t.dc(), x, y);
      if (c == kOdd) ++seeThrough;
      if (c == Hex(0x19555F)) ++arrow;
    }
  EXPECT_EQ(arrow, 16);
  EXPECT_EQ(seeThrough, 12);
  EXPECT_EQ(GetPixel(t.dc(), 1, 4), kOdd);
  EXPECT_EQ(GetPixel(t.dc(), 4, 4), Hex(0x19555F));
}

TEST(SkinBitmaps, OptionCircleKeyCopyShowsTheTargetOutsideTheRing) {
  Surface options = sb::BuildOptionFaceStrip();
  Surface t = Surface::Make(26, 26);
  sb::FillBox(t.dc(), 0, 0, 26, 26, kOdd);
  ASSERT_NE(sb::NineGridBlt(t.dc(), 0, 0, 26, 26, options.dc(), 0, 0, 13, 13, 5, 5, 5, 5, sb::kSkinKeyColor), 0);
  EXPECT_EQ(GetPixel(t.dc(), 0, 0), kOdd);
  EXPECT_EQ(GetPixel(t.dc(), 25, 25), kOdd);
  EXPECT_EQ(GetPixel(t.dc(), 0, 25), kOdd);
  EXPECT_EQ(GetPixel(t.dc(), 0, 13), Hex(0x83A6D2));
  EXPECT_EQ(GetPixel(t.dc(), 13, 0), Hex(0x83A6D2));
  EXPECT_EQ(GetPixel(t.dc(), 13, 13), kWhite);
}

// ------------------------------------------------------- check boxes, options

class CheckAndOption : public SkinPainters {
 protected:
  // Compares the glyph piece placed at (gx, gy) of the window with the strip:
  // key pixels show `behind`, the others the strip's colour.
  void ExpectGlyph(HWND w, int gx, int gy, int sx, int sy, int gw, int gh, COLORREF behind) {
    const Surface& glyphs = sb::Skin().glyphStrip;
    for (int y = 0; y < gh; ++y)
      for (int x = 0; x < gw; ++x) {
        const COLORREF src = StripPixel(glyphs, sx + x, sy + y);
        EXPECT_EQ(Pixel(w, gx + x, gy + y), src == sb::kSkinKeyColor ? behind : src) << x << "," << y;
      }
  }
  int Y0(HWND w) { return sb::HalfToEven(sb::WindowBox(w).height - cy_); }
};

TEST_F(CheckAndOption, CheckBoxStatesPaintFrameFillingAndMark) {
  HWND box = Child(L"ThunderCheckBox", L"Shuffle", BS_AUTOCHECKBOX, 10, 10, 120, 21);
  SkinOne(box);
  Settle();
  const int y0 = Y0(box);
  EXPECT_EQ(Pixel(box, 0, y0), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(box, cx_ - 1, y0 + cy_ - 1), sb::kSkinFrameColor);
  EXPECT_EQ(CountColour(box, 1, y0 + 1, cx_ - 2, cy_ - 2, kWhite), (cx_ - 2) * (cy_ - 2));

  SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(sb::PaintCheckBox(box, 0, true), 1);
  ExpectGlyph(box, sb::HalfToEven(cx_ - 9), y0 + sb::HalfToEven(cy_ - 8), 0, 0, 9, 8, kWhite);
  if (cx_ == 13 && cy_ == 13) {
    EXPECT_EQ(Pixel(box, 2 + 8, y0 + 2 + 1), Hex(0x54B71D));  // the mark at (2, 2)
  }
  SaveGallery(L"check_checked");

  // hot: the hot band fills the inside, pressed: the pressed band and the dark frame
  EXPECT_EQ(sb::PaintCheckBox(box, 1, true), 1);
  EXPECT_EQ(Pixel(box, 0, y0), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(box, 1, y0 + 1), StripPixel(sb::Skin().optionFaceStrip, 1, 17));
  EXPECT_EQ(sb::PaintCheckBox(box, 2, true), 1);
  EXPECT_EQ(Pixel(box, 0, y0), sb::kSkinPressedFrameColor);
  EXPECT_EQ(Pixel(box, cx_ - 1, y0 + 4), sb::kSkinPressedFrameColor);
  EXPECT_EQ(Pixel(box, 1, y0 + 1), StripPixel(sb::Skin().optionFaceStrip, 1, 30));
  EXPECT_EQ(Pixel(box, sb::HalfToEven(cx_ - 9) + 8, y0 + sb::HalfToEven(cy_ - 8) + 1), Hex(0x54B71D));
  SaveGallery(L"check_pressed");
}

TEST_F(CheckAndOption, SkipRuleRepaintsOnlyChangesUnlessForced) {
  HWND box = Child(L"ThunderCheckBox", L"Loop", BS_AUTOCHECKBOX, 10, 10, 120, 21);
  SkinOne(box);
  EXPECT_EQ(sb::PaintCheckBox(box, 1, false), 1);
  EXPECT_EQ(GetSkinProp(box, sb::kPropOldState), 1);
  EXPECT_EQ(sb::PaintCheckBox(box, 1, false), 0);
  EXPECT_EQ(sb::PaintCheckBox(box, 1, true), 1);
  EXPECT_EQ(sb::PaintCheckBox(box, 0, false), 1);
  EXPECT_EQ(GetSkinProp(box, sb::kPropOldState), 0);
  HWND option = Child(L"ThunderOptionButton", L"A", BS_AUTORADIOBUTTON, 10, 40, 120, 21);
  SkinOne(option);
  EXPECT_EQ(sb::PaintOptionBox(option, 0, false), 0);
  EXPECT_EQ(sb::PaintOptionBox(option, 2, false), 1);
  EXPECT_EQ(sb::PaintOptionBox(option, 2, false), 0);
  EXPECT_EQ(sb::PaintOptionBox(option, 2, true), 1);
}

TEST_F(CheckAndOption, IndeterminateSquareIsCentred) {
  HWND box = Child(L"ThunderCheckBox", L"Maybe", BS_AUTO3STATE, 10, 10, 120, 25);
  SkinOne(box);
  SendMessageW(box, BM_SETCHECK, BST_INDETERMINATE, 0);
  ASSERT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  sb::PaintCheckBox(box, 0, true);
  const int y0 = Y0(box);
  ExpectGlyph(box, sb::HalfToEven(cx_ - 7), y0 + sb::HalfToEven(cy_ - 7), 1, 9, 7, 7, kWhite);
  EXPECT_EQ(Pixel(box, sb::HalfToEven(cx_ - 7), y0 + sb::HalfToEven(cy_ - 7)), Hex(0x51B41B));
}

TEST_F(CheckAndOption, DisabledCheckedBoxIsPaleWhateverTheMouseDoes) {
  HWND box = Child(L"ThunderCheckBox", L"Off", BS_AUTOCHECKBOX, 10, 10, 120, 21);
  SkinOne(box);
  SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
  EnableWindow(box, FALSE);
  const int y0 = Y0(box);
  for (WPARAM keys : {WPARAM{0}, WPARAM{MK_LBUTTON}}) {
    SendMessageW(box, WM_MOUSEMOVE, keys, Point(3, y0 + 3));
    EXPECT_EQ(Pixel(box, 0, y0), sb::kSkinFrameColorDisabled);
    EXPECT_EQ(Pixel(box, cx_ - 1, y0 + cy_ - 1), sb::kSkinFrameColorDisabled);
    ExpectGlyph(box, sb::HalfToEven(cx_ - 9), y0 + sb::HalfToEven(cy_ - 8), 9, 0, 9, 8, kWhite);
  }
  SaveGallery(L"check_disabled");
}

TEST_F(CheckAndOption, MessagesDriveTheStates) {
  HWND box = Child(L"ThunderCheckBox", L"Repeat", BS_AUTOCHECKBOX, 10, 10, 120, 21);
  SkinOne(box);
  Settle();
  const int y0 = Y0(box);
  SendMessageW(box, WM_MOUSEMOVE, 0, Point(4, y0 + 4));
  EXPECT_EQ(GetSkinProp(box, sb::kPropMouseFlag), 1);
  EXPECT_EQ(GetSkinProp(box, sb::kPropOldState), 1);
  EXPECT_EQ(Pixel(box, 1, y0 + 1), StripPixel(sb::Skin().optionFaceStrip, 1, 17));

  SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, Point(4, y0 + 4));
  EXPECT_EQ(GetSkinProp(box, sb::kPropOldState), 2);
  EXPECT_EQ(Pixel(box, 0, y0), sb::kSkinPressedFrameColor);
  SendMessageW(box, WM_LBUTTONUP, 0, Point(4, y0 + 4));
  EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(GetSkinProp(box, sb::kPropOldState), 0);
  EXPECT_EQ(Pixel(box, 0, y0), sb::kSkinFrameColor);
  ExpectGlyph(box, sb::HalfToEven(cx_ - 9), y0 + sb::HalfToEven(cy_ - 8), 0, 0, 9, 8, kWhite);

  // state 1 repainted by WM_PAINT shows state 0
  SendMessageW(box, WM_MOUSEMOVE, 0, Point(4, y0 + 4));
  EXPECT_EQ(Pixel(box, 1, y0 + 1), StripPixel(sb::Skin().optionFaceStrip, 1, 17));
  RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(GetSkinProp(box, sb::kPropOldState), 0);
  EXPECT_EQ(Pixel(box, 1, y0 + 1), kWhite);

  SendMessageW(box, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(Pixel(box, 0, y0), sb::kSkinPressedFrameColor);
  SendMessageW(box, WM_KEYUP, VK_SPACE, 0);
  EXPECT_EQ(Pixel(box, 0, y0), sb::kSkinFrameColor);

  SendMessageW(box, WM_MOUSEMOVE, 0, Point(4, y0 + 4));
  SendMessageW(box, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(GetSkinProp(box, sb::kPropMouseFlag), 0);
  EXPECT_EQ(GetSkinProp(box, sb::kPropOldState), 0);
  EXPECT_EQ(Pixel(box, 1, y0 + 1), kWhite);
}

TEST_F(CheckAndOption, OptionCircleDotAndCorners) {
  HWND a = Child(L"ThunderOptionButton", L"First", BS_AUTORADIOBUTTON | WS_GROUP, 10, 10, 120, 21);
  HWND b = Child(L"ThunderOptionButton", L"Second", BS_AUTORADIOBUTTON, 10, 40, 120, 27);
  SkinOne(a);
  SkinOne(b);
  SendMessageW(a, BM_SETCHECK, BST_CHECKED, 0);
  Settle();
  const int y0 = Y0(a);
  sb::PaintOptionBox(a, 0, true);
  const int dx = sb::HalfToEven(cx_ - 5), dy = sb::HalfToEven(cy_ - 5) + y0;
  const COLORREF inside = Pixel(a, dx - 1, dy + 2);
  EXPECT_EQ(inside, kWhite);
  ExpectGlyph(a, dx, dy, 2, 18, 5, 5, kWhite);
  if (cx_ == 13 && cy_ == 13) {
    EXPECT_EQ(Pixel(a, 4 + 2, 4 + y0 + 2), Hex(0x4FB119));  // the dot at (4, 4 + y0)
  }
  EXPECT_EQ(Pixel(a, sb::HalfToEven(cx_), y0), Hex(0x83A6D2));
  EXPECT_NE(Pixel(a, 0, y0), sb::kSkinKeyColor);  // the control's own painting shows
  SaveGallery(L"option_checked");

  // hot and pressed circles
  sb::PaintOptionBox(a, 1, true);
  EXPECT_EQ(Pixel(a, sb::HalfToEven(cx_), y0), Hex(0x83A6D2));
  EXPECT_NE(Pixel(a, dx - 1, dy + 2), kWhite);
  sb::PaintOptionBox(a, 2, true);
  EXPECT_EQ(Pixel(a, sb::HalfToEven(cx_), y0), Hex(0x6489C1));

  // clicking the second clears the first, and the release repaints both
  SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, Point(4, 10));
  SendMessageW(b, WM_LBUTTONUP, 0, Point(4, 10));
  EXPECT_EQ(SendMessageW(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(b, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(Pixel(a, dx + 2, dy + 2), kWhite);
  EXPECT_EQ(Pixel(a, sb::HalfToEven(cx_), y0), Hex(0x83A6D2));
  const int y0b = Y0(b);
  ExpectGlyph(b, dx, sb::HalfToEven(cy_ - 5) + y0b, 2, 18, 5, 5, kWhite);

  EnableWindow(b, FALSE);
  sb::PaintOptionBox(b, 0, true);
  EXPECT_EQ(Pixel(b, sb::HalfToEven(cx_), y0b), Hex(0xC1D2E8));
  ExpectGlyph(b, dx, sb::HalfToEven(cy_ - 5) + y0b, 11, 18, 5, 5, kWhite);
  SaveGallery(L"option_group");
}

TEST_F(CheckAndOption, FocusRepaintsTheOptionCircle) {
  HWND a = Child(L"ThunderOptionButton", L"Focus", BS_AUTORADIOBUTTON, 10, 10, 120, 21);
  SkinOne(a);
  sb::PaintOptionBox(a, 2, true);
  const int y0 = Y0(a);
  EXPECT_EQ(Pixel(a, sb::HalfToEven(cx_), y0), Hex(0x6489C1));
  SendMessageW(a, WM_SETFOCUS, 0, 0);
  EXPECT_EQ(GetSkinProp(a, sb::kPropOldState), 0);
  EXPECT_EQ(Pixel(a, sb::HalfToEven(cx_), y0), Hex(0x83A6D2));
}

// ---------------------------------------------------------------- combo boxes

class Combos : public SkinPainters {
 protected:
  int bw() const { return GetSystemMetrics(SM_CXVSCROLL) + 1; }
  int ButtonLeft(HWND c) const { return sb::WindowBox(c).width - bw() - 1; }
  // The arrow's top-left corner in window coordinates.
  POINT Arrow(HWND c) const {
    return {ButtonLeft(c) + sb::HalfToEven(bw() - 7), 1 + sb::HalfToEven(sb::WindowBox(c).height - 6)};
  }
  void ExpectArrow(HWND c, COLORREF ink) {
    const POINT a = Arrow(c);
    for (int row = 0; row < 4; ++row)
      for (int x = 0; x < 7; ++x) {
        const bool inArrow = x >= row && x < 7 - row;
        if (inArrow) EXPECT_EQ(Pixel(c, a.x + x, a.y + row), ink) << x << "," << row;
        else EXPECT_NE(Pixel(c, a.x + x, a.y + row), ink) << x << "," << row;
      }
  }
};

TEST_F(Combos, DropDownListFramesAndButtonFaces) {
  HWND c = Child(L"ThunderComboBox", L"", CBS_DROPDOWNLIST, 10, 10, 150, 200);
  SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"one"));
  SkinOne(c);
  Settle();
  const sb::WindowBoxInfo box = sb::WindowBox(c);
  EXPECT_EQ(Pixel(c, 0, 0), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(c, box.width - 1, box.height - 1), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(c, 1, 1), kWhite);
  EXPECT_EQ(Pixel(c, box.width - 2, box.height - 2), kWhite);
  ExpectArrow(c, Hex(0x19555F));
  EXPECT_EQ(CountColour(c, ButtonLeft(c), 1, bw(), box.height - 2, Hex(0x19555F)), 16);
  if (GetSystemMetrics(SM_CXVSCROLL) == 17) EXPECT_EQ(Arrow(c).x - ButtonLeft(c), 6);
  SaveGallery(L"combo_normal");

  int state = 1;
  sb::PaintComboButton(c, nullptr, state, false);
  EXPECT_EQ(GetSkinProp(c, sb::kPropOldState), 1);
  EXPECT_EQ(Pixel(c, ButtonLeft(c), box.height / 2), Hex(0x4EA0D1));
  EXPECT_EQ(Pixel(c, ButtonLeft(c) + 1, 1), StripPixel(sb::Skin().comboPartsStrip, 1, 0));
  ExpectArrow(c, Hex(0x19555F));
  SaveGallery(L"combo_hot");
  state = 2;
  sb::PaintComboButton(c, nullptr, state, false);
  EXPECT_EQ(Pixel(c, ButtonLeft(c) + 1, 1), StripPixel(sb::Skin().comboPartsStrip, 5, 0));

  // the dropped list forces the pressed face
  SendMessageW(c, CB_SHOWDROPDOWN, TRUE, 0);
  state = 0;
  sb::PaintComboButton(c, nullptr, state, true);
  EXPECT_EQ(state, 2);
  EXPECT_EQ(Pixel(c, ButtonLeft(c) + 1, 1), StripPixel(sb::Skin().comboPartsStrip, 5, 0));
  SendMessageW(c, CB_SHOWDROPDOWN, FALSE, 0);

  // pointer: anywhere over a drop-down list lights the button, held button presses it
  SendMessageW(c, WM_MOUSEMOVE, 0, Point(5, 5));
  EXPECT_EQ(GetSkinProp(c, sb::kPropOldState), 1);
  EXPECT_EQ(GetSkinProp(c, sb::kPropMouseFlag), 1);
  SendMessageW(c, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(GetSkinProp(c, sb::kPropOldState), 0);
  EXPECT_EQ(GetSkinProp(c, sb::kPropMouseFlag), 0);
  EXPECT_EQ(Pixel(c, ButtonLeft(c) + 1, 1), kWhite);
}

TEST_F(Combos, EditableComboIsPaintedAloneAndLightsOnlyOverTheButton) {
  HWND c = Child(L"ThunderComboBox", L"", CBS_DROPDOWN, 10, 10, 150, 200);
  SkinOne(c);
  Settle();
  const sb::WindowBoxInfo box = sb::WindowBox(c);
  EXPECT_EQ(Pixel(c, 0, 0), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(c, box.width - 1, 5), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(c, 1, 1), kWhite);
  EXPECT_EQ(Pixel(c, ButtonLeft(c) - 1, box.height - 2), kWhite);
  ExpectArrow(c, Hex(0x19555F));

  SendMessageW(c, WM_MOUSEMOVE, 0, Point(10, box.height / 2));
  EXPECT_EQ(GetSkinProp(c, sb::kPropOldState), 0);
  EXPECT_EQ(Pixel(c, ButtonLeft(c) + 1, 1), kWhite);
  SendMessageW(c, WM_MOUSEMOVE, 0, Point(box.width - 5, box.height / 2));
  EXPECT_EQ(GetSkinProp(c, sb::kPropOldState), 1);
  EXPECT_EQ(Pixel(c, ButtonLeft(c), box.height / 2), Hex(0x4EA0D1));
  // the edges of the button area
  SendMessageW(c, WM_MOUSEMOVE, 0, Point(box.width - GetSystemMetrics(SM_CXVSCROLL) - 3, 5));
  EXPECT_EQ(GetSkinProp(c, sb::kPropOldState), 0);
  SendMessageW(c, WM_MOUSEMOVE, MK_LBUTTON, Point(box.width - GetSystemMetrics(SM_CXVSCROLL) - 2, 2));
  EXPECT_EQ(GetSkinProp(c, sb::kPropOldState), 2);
  SendMessageW(c, WM_MOUSEMOVE, 0, Point(box.width - 2, box.height - 1));
  EXPECT_EQ(GetSkinProp(c, sb::kPropOldState), 0);
  // a press on the edit part leaves the button alone
  SendMessageW(c, WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 5));
  EXPECT_EQ(GetSkinProp(c, sb::kPropOldState), 0);
  SendMessageW(c, WM_LBUTTONUP, 0, Point(10, 5));
  SaveGallery(L"combo_dropdown");
}

TEST_F(Combos, DisabledComboHasPaleFrameAndGreyGreenArrow) {
  HWND c = Child(L"ThunderComboBox", L"", CBS_DROPDOWNLIST, 10, 10, 150, 200);
  EnableWindow(c, FALSE);
  SkinOne(c);
  Settle();
  const sb::WindowBoxInfo box = sb::WindowBox(c);
  EXPECT_EQ(Pixel(c, 0, 0), sb::kSkinFrameColorDisabled);
  EXPECT_EQ(Pixel(c, box.width - 1, box.height - 1), sb::kSkinFrameColorDisabled);
  ExpectArrow(c, Hex(0x84A5AC));
  SaveGallery(L"combo_disabled");
}

TEST_F(Combos, SimpleComboGetsFramesButNoButton) {
  HWND c = Child(L"ThunderComboBox", L"", CBS_SIMPLE, 10, 10, 150, 120);
  SkinOne(c);
  Settle();
  const sb::WindowBoxInfo box = sb::WindowBox(c);
  EXPECT_EQ(Pixel(c, 0, 0), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(c, box.width - 1, box.height - 1), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(c, 1, 1), kWhite);
  EXPECT_EQ(Pixel(c, box.width - 2, box.height - 2), kWhite);
  int state = 1;
  sb::PaintComboButton(c, nullptr, state, true);
  EXPECT_EQ(GetSkinProp(c, sb::kPropOldState), 0);
  EXPECT_EQ(CountColour(c, 0, 0, box.width, box.height, Hex(0x4EA0D1)), 0);
  EXPECT_EQ(CountColour(c, 0, 0, box.width, box.height, Hex(0x19555F)), 0);
}

TEST_F(Combos, DriveListLightsWhereverThePointerIs) {
  HWND c = Child(L"ThunderDriveListBox", L"", CBS_DROPDOWNLIST, 10, 10, 150, 200);
  SkinOne(c);
  Settle();
  SendMessageW(c, WM_MOUSEMOVE, MK_LBUTTON, Point(3, 3));
  EXPECT_EQ(GetSkinProp(c, sb::kPropOldState), 2);
  SendMessageW(c, WM_MOUSEMOVE, 0, Point(3, 3));
  EXPECT_EQ(GetSkinProp(c, sb::kPropOldState), 1);
  EXPECT_EQ(Pixel(c, ButtonLeft(c), sb::WindowBox(c).height / 2), Hex(0x4EA0D1));
  SendMessageW(c, WM_WINDOWPOSCHANGING, 0, 0);
  EXPECT_EQ(GetSkinProp(c, sb::kPropOldState), 0);
}

TEST_F(Combos, DropDownListWindowGetsTheFlatFrame) {
  HWND c = Child(L"ThunderComboBox", L"", CBS_DROPDOWNLIST, 10, 10, 150, 200);
  for (const wchar_t* s : {L"alpha", L"beta", L"gamma"}) SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
  COMBOBOXINFO info{sizeof info};
  ASSERT_TRUE(GetComboBoxInfo(c, &info));
  ASSERT_NE(info.hwndList, nullptr);
  EXPECT_EQ(sb::KindOf(info.hwndList), sb::SkinKind::DropDownList);
  SkinOne(info.hwndList);
  SendMessageW(c, CB_SHOWDROPDOWN, TRUE, 0);
  UpdateWindow(info.hwndList);
  sbtest::PumpFor(30);
  const sb::WindowBoxInfo box = sb::WindowBox(info.hwndList);
  EXPECT_EQ(Pixel(info.hwndList, 0, 0), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(info.hwndList, box.width - 1, box.height - 1), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(info.hwndList, 1, box.height - 2), kWhite);
  SendMessageW(c, CB_SHOWDROPDOWN, FALSE, 0);
}

// ---------------------------------------------------- headers, bars, borders

class Headers : public SkinPainters {
 protected:
  HWND MakeList(int columns) {
    list_ = Child(WC_LISTVIEWW, L"", LVS_REPORT, 10, 10, 400, 200, WS_EX_CLIENTEDGE);
    const wchar_t* names[] = {L"Song", L"Album", L"Singer"};
    for (int i = 0; i < columns; ++i) {
      LVCOLUMNW col{};
      col.mask = LVCF_TEXT | LVCF_WIDTH;
      col.cx = 100;
      col.pszText = const_cast<wchar_t*>(names[i]);
      SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
    HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    EXPECT_NE(header, nullptr);
    EXPECT_EQ(sb::KindOf(header), sb::SkinKind::ListHeader);
    return header;
  }
  RECT Item(HWND h, int i) {
    RECT rc{};
    SendMessageW(h, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc));
    return rc;
  }
  // The face of an item by its left and right columns.
  int FaceOf(HWND h, int i) {
    const RECT rc = Item(h, i);
    const int mid = sb::WindowBox(h).height / 2;
    const COLORREF left = Pixel(h, rc.left, mid), right = Pixel(h, rc.right - 1, mid);
    if (left == Hex(0x5EC2FA) && right == Hex(0x4BA2DB)) return 2;
    if (left == Hex(0x5EC2FA) && right == Hex(0x5EC2FA)) return 1;
    if (left == StripPixel(sb::Skin().headerFaceStrip, 0, 10)) return 0;
    return -1;
  }
  HWND list_ = nullptr;
};

TEST_F(Headers, ItemsHaveFacesTextAndTheBackgroundAfterThem) {
  HWND h = MakeList(3);
  SkinOne(h);
  Settle();
  const sb::WindowBoxInfo box = sb::WindowBox(h);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(FaceOf(h, i), 0) << i;
  for (int x : {0, 150, 350}) EXPECT_EQ(Pixel(h, x, box.height - 1), Hex(0xC0DAF2)) << x;
  // beyond the last item: the stretched background column
  EXPECT_EQ(Pixel(h, 330, 0), Hex(0xEAF5FE));
  // each caption puts dark pixels in its item's middle
  for (int i = 0; i < 3; ++i) {
    const RECT rc = Item(h, i);
    int dark = 0;
    sb::WindowDc dc = sb::WindowDc::Whole(h);
    for (int y = 1; y < box.height - 1; ++y)
      for (int x = rc.left + 1; x < rc.right - 1; ++x) {
        const COLORREF c = GetPixel(dc.get(), x, y);
        dark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 300;
      }
    EXPECT_GT(dark, 5) << i;
  }
  SaveGallery(L"header_normal");
}

TEST_F(Headers, PointerLightsOneItemAndAHeldPressStays) {
  HWND h = MakeList(3);
  SkinOne(h);
  Settle();
  const int y = 5;
  SendMessageW(h, WM_MOUSEMOVE, 0, Point(150, y));
  EXPECT_EQ(GetSkinProp(h, sb::kPropHmIndex), 1);
  EXPECT_EQ(FaceOf(h, 0), 0);
  EXPECT_EQ(FaceOf(h, 1), 1);
  SendMessageW(h, WM_MOUSEMOVE, 0, Point(250, y));
  EXPECT_EQ(FaceOf(h, 1), 0);
  EXPECT_EQ(FaceOf(h, 2), 1);
  SaveGallery(L"header_hot");

  SendMessageW(h, WM_MOUSEMOVE, 0, Point(150, y));
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(150, y));
  EXPECT_EQ(GetSkinProp(h, sb::kPropHdIndex), 1);
  EXPECT_EQ(FaceOf(h, 1), 2);
  for (int x : {50, 250, 150, 30}) {
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Point(x, y));
    EXPECT_EQ(GetSkinProp(h, sb::kPropHmIndex), 1);
    EXPECT_EQ(FaceOf(h, 0), 0) << x;
    EXPECT_EQ(FaceOf(h, 1), 2) << x;
    EXPECT_EQ(FaceOf(h, 2), 0) << x;
  }
  SaveGallery(L"header_pressed");
  // released away from the header: the item shows hot until the leave
  ReleaseCapture();
  SendMessageW(h, WM_LBUTTONUP, 0, Point(30, y));
  EXPECT_EQ(GetSkinProp(h, sb::kPropHdIndex), -1);
  EXPECT_EQ(FaceOf(h, 1), 1);
  SendMessageW(h, WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(GetSkinProp(h, sb::kPropHmIndex), -1);
  EXPECT_EQ(GetSkinProp(h, sb::kPropMouseFlag), 0);
  EXPECT_EQ(FaceOf(h, 1), 0);
}

TEST_F(Headers, ReleaseOverTheHeaderShowsTheItemNormal) {
  HWND h = MakeList(2);
  SkinOne(h);
  Settle();
  POINT p{150, 5};
  ClientToScreen(h, &p);
  SetCursorPos(p.x, p.y);
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(150, 5));
  EXPECT_EQ(FaceOf(h, 1), 2);
  ReleaseCapture();
  SendMessageW(h, WM_LBUTTONUP, 0, Point(150, 5));
  EXPECT_EQ(FaceOf(h, 1), 0);
  // a press outside every item paints nothing
  SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(390, 5));
  EXPECT_EQ(GetSkinProp(h, sb::kPropHdIndex), -1);
  ReleaseCapture();
}

TEST_F(Headers, HeaderWithoutItemsShowsOnlyTheBackground) {
  HWND h = MakeList(0);
  ASSERT_EQ(SendMessageW(h, HDM_GETITEMCOUNT, 0, 0), 0);
  SkinOne(h);
  Settle();
  const sb::WindowBoxInfo box = sb::WindowBox(h);
  if (box.height == 0) GTEST_SKIP() << "the list view hides an empty header";
  for (int x = 0; x < box.width; x += 7) {
    EXPECT_EQ(Pixel(h, x, 0), Hex(0xEAF5FE)) << x;
    EXPECT_EQ(Pixel(h, x, box.height - 1), Hex(0xC0DAF2)) << x;
  }
  sb::PaintHeaderItem(h, -1, 1);
  sb::PaintHeaderItem(h, 3, 1);
  EXPECT_EQ(Pixel(h, 5, 0), Hex(0xEAF5FE));
}

TEST_F(SkinPainters, ProgressBarFillsAgainst30000) {
  struct Case {
    DWORD style;
    int pos;
    const wchar_t* name;
  } cases[] = {{0, 15000, L"progress_half"},
               {PBS_VERTICAL, 15000, L"progress_vertical_half"},
               {PBS_VERTICAL | PBS_SMOOTH, 15000, L"progress_vertical_smooth"},
               {0, 0, L"progress_empty"},
               {0, 30000, L"progress_full"}};
  for (const Case& k : cases) {
    const bool vertical = k.style & PBS_VERTICAL;
    HWND p = Child(L"ProgressBar20WndClass", L"", k.style, 20, 20, vertical ? 24 : 200, vertical ? 120 : 22,
                   WS_EX_STATICEDGE);
    SendMessageW(p, PBM_SETRANGE32, 0, 30000);
    SendMessageW(p, PBM_SETPOS, k.pos, 0);
    SkinOne(p);
    Settle();
    const sb::WindowBoxInfo box = sb::WindowBox(p);
    RECT rc{};
    GetClientRect(p, &rc);
    POINT origin{0, 0};
    ClientToScreen(p, &origin);
    const int ox = origin.x - box.left, oy = origin.y - box.top;
    EXPECT_EQ(Pixel(p, 0, 0), sb::kSkinFrameColor) << k.name;
    EXPECT_EQ(Pixel(p, box.width - 1, box.height - 1), sb::kSkinFrameColor) << k.name;
    const int bar = CountColour(p, ox, oy, rc.right, rc.bottom, sb::kSkinBarColor);
    const int white = CountColour(p, ox, oy, rc.right, rc.bottom, kWhite);
    EXPECT_EQ(bar + white, rc.right * rc.bottom) << k.name;
    EXPECT_EQ(bar, rc.right * rc.bottom * k.pos / 30000) << k.name;
    if (k.pos == 15000) {
      if (vertical) {
        EXPECT_EQ(Pixel(p, ox + 2, oy + rc.bottom - 1), sb::kSkinBarColor) << k.name;
        EXPECT_EQ(Pixel(p, ox + 2, oy), kWhite) << k.name;
      } else {
        EXPECT_EQ(Pixel(p, ox, oy + 2), sb::kSkinBarColor) << k.name;
        EXPECT_EQ(Pixel(p, ox + rc.right - 1, oy + 2), kWhite) << k.name;
      }
    }
    SaveGallery(k.name);
    DestroyWindow(p);
  }
}

// At half fill a bar of odd height starts below its middle row and reaches the bottom.
TEST_F(SkinPainters, VerticalBarOfOddHeightRoundsItsTopToTheNearestRow) {
  const struct {
    int height, rows;
  } cases[] = {{3, 1}, {5, 2}, {7, 3}, {9, 4}};
  for (const auto& k : cases) {
    HWND p = Child(L"ProgressBar20WndClass", L"", PBS_VERTICAL, 20, 20, 24, 40, WS_EX_STATICEDGE);
    const sb::WindowBoxInfo box = sb::WindowBox(p);
    RECT rc{};
    GetClientRect(p, &rc);
    SetWindowPos(p, nullptr, 0, 0, box.width, box.height - rc.bottom + k.height, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(p, &rc);
    ASSERT_EQ(rc.bottom, k.height);
    SendMessageW(p, PBM_SETRANGE32, 0, 30000);
    SendMessageW(p, PBM_SETPOS, 15000, 0);
    SkinOne(p);
    Settle();
    POINT origin{0, 0};
    ClientToScreen(p, &origin);
    const int ox = origin.x - box.left, oy = origin.y - box.top;
    for (int y = 0; y < k.height; ++y)
      EXPECT_EQ(Pixel(p, ox + 2, oy + y), y >= k.height - k.rows ? sb::kSkinBarColor : kWhite) << k.height << " " << y;
    DestroyWindow(p);
  }
}

TEST_F(SkinPainters, ProgressBarOutsideTheRangeIsEmptyOrFull) {
  HWND p = Child(L"ProgressBar20WndClass", L"", 0, 20, 20, 200, 22, WS_EX_STATICEDGE);
  SendMessageW(p, PBM_SETRANGE32, 0, 60000);
  SendMessageW(p, PBM_SETPOS, 45000, 0);
  SkinOne(p);
  Settle();
  RECT rc{};
  GetClientRect(p, &rc);
  POINT origin{0, 0};
  ClientToScreen(p, &origin);
  const sb::WindowBoxInfo box = sb::WindowBox(p);
  const int ox = origin.x - box.left, oy = origin.y - box.top;
  EXPECT_EQ(CountColour(p, ox, oy, rc.right, rc.bottom, sb::kSkinBarColor), rc.right * rc.bottom);
  SendMessageW(p, PBM_SETRANGE32, -100, 100);
  SendMessageW(p, PBM_SETPOS, -50, 0);
  RedrawWindow(p, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  EXPECT_EQ(CountColour(p, ox, oy, rc.right, rc.bottom, kWhite), rc.right * rc.bottom);
}

TEST_F(SkinPainters, SunkenEdgesBecomeAFlatLine) {
  HWND edit = Child(L"EDIT", L"text", 0, 20, 20, 160, 24, WS_EX_CLIENTEDGE);
  HWND list = Child(WC_LISTVIEWW, L"", LVS_LIST, 20, 60, 200, 100, WS_EX_CLIENTEDGE);
  HWND plain = Child(L"EDIT", L"plain", WS_BORDER, 20, 180, 160, 24);
  HWND panel = Child(L"SkinPaintersPanel", L"", 0, 240, 20, 100, 60, WS_EX_CLIENTEDGE);
  // coloured controls: the ring inside the line takes their own background
  HWND tinted = Child(L"SkinPaintersTinted", L"", 0, 360, 20, 200, 60);
  HWND cyanEdit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"cyan", WS_CHILD | WS_VISIBLE, 10, 10, 160, 24, tinted,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
  HWND cyanList = Child(WC_LISTVIEWW, L"", LVS_LIST, 360, 100, 200, 100, WS_EX_CLIENTEDGE);
  SendMessageW(cyanList, LVM_SETBKCOLOR, 0, kCyan);
  for (HWND w : {edit, list, plain, panel, cyanEdit, cyanList}) SkinOne(w);
  Settle();
  const struct {
    HWND w;
    COLORREF ring;
  } rings[] = {{edit, kWhite}, {list, kWhite}, {cyanEdit, kCyan}, {cyanList, kCyan}};
  for (const auto& k : rings) {
    const sb::WindowBoxInfo box = sb::WindowBox(k.w);
    RECT rc{};
    GetClientRect(k.w, &rc);
    ASSERT_EQ(sb::HalfToEven(box.width - rc.right), 2);
    EXPECT_EQ(Pixel(k.w, 0, 0), sb::kSkinFrameColor);
    EXPECT_EQ(Pixel(k.w, box.width - 1, box.height - 1), sb::kSkinFrameColor);
    EXPECT_EQ(Pixel(k.w, box.width - 1, 7), sb::kSkinFrameColor);
    EXPECT_EQ(Pixel(k.w, 1, 1), k.ring);
    EXPECT_EQ(Pixel(k.w, box.width - 2, 6), k.ring);
    EXPECT_EQ(Pixel(k.w, 6, box.height - 2), k.ring);
  }
  // the border is repainted after the client: the client's first row and column stay
  constexpr COLORREF kGrey = RGB(0x80, 0x80, 0x80);
  ASSERT_EQ(Pixel(panel, 2, 2), kGrey);
  SendMessageW(panel, WM_NCPAINT, 1, 0);
  EXPECT_EQ(Pixel(panel, 0, 0), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(panel, 1, 1), kWhite);
  EXPECT_EQ(Pixel(panel, 2, 2), kGrey);
  EXPECT_EQ(Pixel(panel, 40, 2), kGrey);
  EXPECT_EQ(Pixel(panel, 2, 40), kGrey);
  EXPECT_EQ(Pixel(panel, 97, 57), kGrey);
  // no client edge: the control's own border stays
  EXPECT_NE(Pixel(plain, 0, 0), sb::kSkinFrameColor);

  EnableWindow(edit, FALSE);
  RedrawWindow(edit, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  EXPECT_EQ(Pixel(edit, 0, 0), sb::kSkinFrameColorDisabled);
  SaveGallery(L"flat_borders");
}

TEST_F(SkinPainters, GridWithBorderGetsTheFrameColour) {
  HWND grid = Child(L"ApexGridTest", L"", WS_BORDER, 20, 20, 120, 60);
  HWND bare = Child(L"ApexGridTest", L"", 0, 160, 20, 120, 60);
  SkinOne(grid);
  SkinOne(bare);
  Settle();
  EXPECT_EQ(Pixel(grid, 0, 0), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(grid, 119, 59), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(grid, 1, 1), kWhite);
  EXPECT_EQ(Pixel(bare, 0, 0), kWhite);
  EnableWindow(grid, FALSE);
  RedrawWindow(grid, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(Pixel(grid, 60, 0), sb::kSkinFrameColorDisabled);
}

TEST_F(SkinPainters, PaintsFreeEveryObjectTheyMake) {
  HWND box = Child(L"ThunderCheckBox", L"x", BS_AUTOCHECKBOX, 10, 10, 120, 21);
  HWND option = Child(L"ThunderOptionButton", L"x", BS_AUTORADIOBUTTON, 10, 40, 120, 21);
  HWND combo = Child(L"ThunderComboBox", L"", CBS_DROPDOWN, 10, 70, 150, 200);
  HWND progress = Child(L"ProgressBar20WndClass", L"", 0, 10, 110, 150, 20);
  HWND edit = Child(L"EDIT", L"", 0, 10, 140, 150, 24, WS_EX_CLIENTEDGE);
  for (HWND w : {box, option, combo, progress, edit}) SkinOne(w);
  SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(option, BM_SETCHECK, BST_CHECKED, 0);
  Settle();
  const long base = sb::Skin().gdiObjects;
  for (int round = 0; round < 3; ++round) {
    sb::PaintCheckBox(box, round, true);
    sb::PaintOptionBox(option, round, true);
    int state = round;
    sb::PaintComboButton(combo, nullptr, state, true);
    for (HWND w : {combo, progress, edit}) RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  }
  EXPECT_EQ(sb::Skin().gdiObjects, base);
}

// ------------------------------------------------------ through SkinAttach

class ThroughSkinAttach : public SkinPainters {
 protected:
  void SetUp() override {
    SkinPainters::SetUp();
    RegisterPlain(L"ThunderRT6FormDC");
    form_.reset(CreateWindowExW(0, L"ThunderRT6FormDC", L"", WS_POPUP | WS_VISIBLE, 0, 420, 600, 300, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(form_);
  }
  void TearDown() override {
    if (form_) sb::SkinDetach(form_.get());
    form_.reset();
    SkinPainters::TearDown();
  }
  HWND In(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, DWORD ex = 0) {
    HWND c = CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, form_.get(), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(c, nullptr) << cls;
    return c;
  }
  void Pump() {
    sbtest::PumpFor(50);
    RedrawWindow(form_.get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  sb::UniqueWindow form_;
};

TEST_F(ThroughSkinAttach, EveryKindIsPaintedAndRouted) {
  HWND check = In(L"ThunderCheckBox", L"Check", BS_AUTOCHECKBOX, 10, 10, 120, 21);
  HWND a = In(L"ThunderOptionButton", L"A", BS_AUTORADIOBUTTON | WS_GROUP, 10, 40, 120, 21);
  HWND b = In(L"ThunderOptionButton", L"B", BS_AUTORADIOBUTTON, 10, 70, 120, 21);
  HWND combo = In(L"ThunderComboBox", L"", CBS_DROPDOWNLIST, 10, 100, 150, 200);
  HWND progress = In(L"ProgressBar20WndClass", L"", 0, 10, 140, 200, 22, WS_EX_STATICEDGE);
  HWND list = In(WC_LISTVIEWW, L"", LVS_REPORT, 250, 10, 300, 150, WS_EX_CLIENTEDGE);
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.cx = 120;
  col.pszText = const_cast<wchar_t*>(L"Song");
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  SendMessageW(progress, PBM_SETRANGE32, 0, 30000);
  SendMessageW(progress, PBM_SETPOS, 15000, 0);
  SendMessageW(a, BM_SETCHECK, BST_CHECKED, 0);

  ASSERT_TRUE(sb::SkinAttach(form_.get()));
  for (HWND w : {check, a, b, combo, progress, list, header}) EXPECT_NE(GetSkinProp(w, sb::kPropProcAddr), 0);
  Pump();

  const int y0 = sb::HalfToEven(21 - cy_);
  EXPECT_EQ(Pixel(check, 0, y0), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(a, sb::HalfToEven(cx_), y0), Hex(0x83A6D2));
  const int dx = sb::HalfToEven(cx_ - 5), dy = sb::HalfToEven(cy_ - 5) + y0;
  EXPECT_EQ(Pixel(a, dx + 2, dy + 2), Hex(0x4FB119));
  EXPECT_EQ(Pixel(combo, 0, 0), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(progress, 0, 0), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(progress, 3, 5), sb::kSkinBarColor);
  EXPECT_EQ(Pixel(list, 0, 0), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(header, 200, 0), Hex(0xEAF5FE));
  SaveGallery(L"attached", form_.get());

  // a click on B clears A, and the release repaints A without its dot
  SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, Point(4, 10));
  SendMessageW(b, WM_LBUTTONUP, 0, Point(4, 10));
  EXPECT_EQ(SendMessageW(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(Pixel(a, dx + 2, dy + 2), kWhite);
  EXPECT_EQ(Pixel(b, dx + 2, dy + 2), Hex(0x4FB119));

  // pointer messages reach the painters through the skin's procedure
  SendMessageW(check, WM_MOUSEMOVE, MK_LBUTTON, Point(4, y0 + 4));
  EXPECT_EQ(Pixel(check, 0, y0), sb::kSkinPressedFrameColor);
  SendMessageW(header, WM_MOUSEMOVE, 0, Point(20, 5));
  EXPECT_EQ(GetSkinProp(header, sb::kPropHmIndex), 0);
  EXPECT_EQ(Pixel(header, 0, 10), Hex(0x5EC2FA));
  SendMessageW(combo, WM_MOUSEMOVE, 0, Point(5, 5));
  EXPECT_EQ(GetSkinProp(combo, sb::kPropOldState), 1);

  EXPECT_TRUE(sb::SkinDetach(form_.get()));
  for (HWND w : {check, a, b, combo, progress, list, header}) EXPECT_EQ(GetSkinProp(w, sb::kPropProcAddr), 0);
}

TEST_F(ThroughSkinAttach, ComboDropDownListIsSkinnedWhenItOpens) {
  HWND combo = In(L"ThunderComboBox", L"", CBS_DROPDOWNLIST, 10, 10, 150, 200);
  for (const wchar_t* t : {L"alpha", L"beta"}) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t));
  ASSERT_TRUE(sb::SkinAttach(form_.get()));
  COMBOBOXINFO info{sizeof info};
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  UpdateWindow(info.hwndList);
  sbtest::PumpFor(50);
  EXPECT_NE(GetSkinProp(info.hwndList, sb::kPropProcAddr), 0);
  RedrawWindow(info.hwndList, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(Pixel(info.hwndList, 0, 0), sb::kSkinFrameColor);
  EXPECT_EQ(Pixel(combo, ButtonLeftOf(combo) + 1, 1), StripPixel(sb::Skin().comboPartsStrip, 5, 0));
  SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
}

}  // namespace
