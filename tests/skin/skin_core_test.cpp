#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/skin.h"
#include "skin/skin_kind.h"
#include "skin/skin_painters.h"
#include "skin/skin_props.h"
#include "skin/skin_state.h"
#include "skin_test_window.h"
#include "test_env.h"

namespace {

using sbtest::ColourDistance;
using sbtest::Rgb;

INT_PTR Prop(HWND h, const wchar_t* name) { return sb::GetSkinProp(h, name); }
INT_PTR Prop(HWND h, const std::wstring& name) { return sb::GetSkinProp(h, name.c_str()); }

// Every property name the skin may leave on a window.
std::vector<std::wstring> AllSkinPropNames() {
  std::vector<std::wstring> names = {sb::kPropProcAddr, sb::kPropOldStyle, sb::kPropMouseFlag, sb::kPropTimerId,
                                     sb::kPropOldState, sb::kPropAlphaLevel, sb::kPropHdIndex,  sb::kPropHmIndex};
  for (int i = 0; i < 4; ++i) {
    names.push_back(sb::StatePropName(L"HDC", i));
    names.push_back(sb::StatePropName(L"BMP", i));
  }
  return names;
}

// Names of the window's string properties, zero-valued ones included.
std::vector<std::wstring> PropNames(HWND h) {
  std::vector<std::wstring> names;
  EnumPropsExW(
      h,
      [](HWND, LPWSTR name, HANDLE, ULONG_PTR lp) -> BOOL {
        if (HIWORD(reinterpret_cast<ULONG_PTR>(name)) != 0) {
          reinterpret_cast<std::vector<std::wstring>*>(lp)->push_back(name);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&names));
  return names;
}

// How many of the skin's properties the window has.
int CountProps(HWND h) {
  int n = 0;
  for (const auto& have : PropNames(h)) {
    for (const auto& name : AllSkinPropNames()) n += have == name;
  }
  return n;
}

bool HasProp(HWND h, const wchar_t* name) {
  for (const auto& have : PropNames(h)) {
    if (have == name) return true;
  }
  return false;
}

void Send(HWND h, UINT msg, WPARAM wp = 0, LPARAM lp = 0) { SendMessageW(h, msg, wp, lp); }

// Puts the real pointer over `h` so leave tracking does not fire at once.
void PointerOver(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void PointerAway() { SetCursorPos(1000, 700); }

// Drives the fade by hand and returns the alpha read before each step, up to `limit` steps.
std::vector<int> RunFade(HWND h, int limit = 200) {
  std::vector<int> alphas;
  while (Prop(h, sb::kPropTimerId) != 0 && static_cast<int>(alphas.size()) < limit) {
    alphas.push_back(static_cast<int>(Prop(h, sb::kPropAlphaLevel)));
    Send(h, WM_TIMER, 1);
  }
  return alphas;
}

std::vector<int> Ramp(int from) {
  std::vector<int> v;
  for (int a = from; a <= 255; a += 3) v.push_back(a);
  return v;
}

class SkinCoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PointerAway();
    // Pointer moves of the previous test are still queued; the system would
    // hand them to whatever window is now at their position.
    sbtest::PumpFor(30);
    w_ = sbtest::MakeSkinTestWindow();
    ASSERT_TRUE(w_);
    baseGdi_ = sb::Skin().gdiObjects;
  }
  void TearDown() override {
    if (w_ && IsWindow(w_->hwnd())) sb::SkinDetach(w_->hwnd());
    w_.reset();
    EXPECT_EQ(sb::Skin().attachCount, 0);
  }
  void Attach() {
    ASSERT_TRUE(sb::SkinAttach(w_->hwnd()));
    UpdateWindow(w_->hwnd());
    sbtest::PumpFor(20);
  }
  std::unique_ptr<sbtest::SkinTestWindow> w_;
  long baseGdi_ = 0;
};

TEST(SkinKindTest, ClassNamesMapToKinds) {
  using sb::KindFromClassName;
  using sb::SkinKind;
  EXPECT_EQ(KindFromClassName(L"#32770"), SkinKind::Form);
  EXPECT_EQ(KindFromClassName(L"form"), SkinKind::Form);
  EXPECT_EQ(KindFromClassName(L"thunderrt6formdc"), SkinKind::Form);
  EXPECT_EQ(KindFromClassName(L"button"), SkinKind::PushButton);
  EXPECT_EQ(KindFromClassName(L"thunderrt6commandbutton"), SkinKind::PushButton);
  EXPECT_EQ(KindFromClassName(L"combobox"), SkinKind::ComboBox);
  EXPECT_EQ(KindFromClassName(L"combo"), SkinKind::ComboBox);
  EXPECT_EQ(KindFromClassName(L"thunderdrivelistbox"), SkinKind::DriveList);
  EXPECT_EQ(KindFromClassName(L"thundercheckbox"), SkinKind::CheckBox);
  EXPECT_EQ(KindFromClassName(L"thunderrt6optionbutton"), SkinKind::OptionButton);
  EXPECT_EQ(KindFromClassName(L"progressbar20wndclass"), SkinKind::ProgressBar);
  EXPECT_EQ(KindFromClassName(L"progressbarwndclass"), SkinKind::ProgressBar);
  EXPECT_EQ(KindFromClassName(L"sysheader32"), SkinKind::ListHeader);
  EXPECT_EQ(KindFromClassName(L"msvb_lib_header"), SkinKind::ListHeader);
  EXPECT_EQ(KindFromClassName(L"combolbox"), SkinKind::DropDownList);
  EXPECT_EQ(KindFromClassName(L"dblistwndclass"), SkinKind::DataList);
  // The grid pattern: any run of characters after the prefix, the empty run included.
  EXPECT_EQ(KindFromClassName(L"apexgrid"), SkinKind::Grid);
  EXPECT_EQ(KindFromClassName(L"apexgridoledb32.20"), SkinKind::Grid);
  EXPECT_EQ(KindFromClassName(L"apexgri"), SkinKind::Other);
  EXPECT_EQ(KindFromClassName(L"xapexgrid"), SkinKind::Other);
  // Names are compared lower-cased; an upper-case name is not in the table.
  EXPECT_EQ(KindFromClassName(L"Button"), SkinKind::Other);
  EXPECT_EQ(KindFromClassName(L"msctls_progress32"), SkinKind::Other);
  EXPECT_EQ(KindFromClassName(L""), SkinKind::Other);
}

TEST_F(SkinCoreTest, ClassNamesOfRealWindowsAreLowerCased) {
  EXPECT_EQ(sb::LowerClassName(w_->hwnd()), L"form");
  EXPECT_EQ(sb::LowerClassName(w_->push), L"button");
  EXPECT_EQ(sb::LowerClassName(w_->header), L"sysheader32");
  EXPECT_EQ(sb::LowerClassName(w_->progress), L"progressbar20wndclass");
  EXPECT_EQ(sb::KindOf(w_->progress), sb::SkinKind::ProgressBar);
  EXPECT_EQ(sb::KindOf(w_->edit), sb::SkinKind::Other);
}

TEST(SkinBitmapTest, ButtonFaceStripCarriesTheDesignValues) {
  sb::Surface strip = sb::BuildButtonFaceStrip();
  ASSERT_TRUE(strip);
  EXPECT_EQ(strip.width(), 7);
  EXPECT_EQ(strip.height(), 84);
  HDC dc = strip.dc();
  const unsigned row0[7] = {0xBFE1F9, 0x6BB3E3, 0x2C97D8, 0x1B8FD5, 0x2C97D8, 0x6BB3E3, 0xBFE1F9};
  const unsigned row0Disabled[7] = {0xF2F7FB, 0xAFD5EF, 0x8FC7EA, 0x87C3E8, 0x8FC7EA, 0xAFD5EF, 0xF2F7FB};
  for (int face = 0; face < 4; ++face) {
    for (int x = 0; x < 7; ++x) {
      EXPECT_EQ(GetPixel(dc, x, 21 * face), Rgb(face == 3 ? row0Disabled[x] : row0[x])) << face << "," << x;
    }
    // The straight outline down both sides.
    COLORREF outline = Rgb(face == 3 ? 0x87C3E8 : 0x1B8FD5);
    for (int y = 3; y <= 17; ++y) {
      EXPECT_EQ(GetPixel(dc, 0, 21 * face + y), outline);
      EXPECT_EQ(GetPixel(dc, 6, 21 * face + y), outline);
    }
  }
  struct Mid {
    int face, row;
    unsigned rgb;
  };
  const Mid mids[] = {{0, 1, 0xFFFFFF}, {0, 2, 0xFFFFFF}, {0, 3, 0xF1F8FC}, {0, 10, 0xD7EAF9}, {0, 17, 0xB1D0EA},
                      {1, 1, 0x4CC3FB}, {1, 2, 0xC6EDFF}, {1, 5, 0xE4F2FC}, {1, 17, 0xA7D4F2}, {2, 1, 0x39BCFB},
                      {2, 2, 0x86CCF3}, {2, 10, 0xC5E4F9}, {2, 17, 0xC3EAFD}, {3, 1, 0xF8FBFD}, {3, 2, 0xF8FBFD},
                      {3, 10, 0xE5F1FA}, {3, 17, 0xD2E3F3}};
  for (const Mid& m : mids) EXPECT_EQ(GetPixel(dc, 3, 21 * m.face + m.row), Rgb(m.rgb)) << m.face << "/" << m.row;
  // The bright inner rims of the hot and pressed faces.
  EXPECT_LE(ColourDistance(GetPixel(dc, 1, 21 + 10), Rgb(0x4CC3FB)), 8);
  EXPECT_LE(ColourDistance(GetPixel(dc, 1, 42 + 10), Rgb(0x3EBFFC)), 8);
  // Every pixel was set: nothing is left black (a fresh bitmap) and the strip has no key colour.
  for (int y = 0; y < 84; ++y) {
    for (int x = 0; x < 7; ++x) {
      COLORREF c = GetPixel(dc, x, y);
      EXPECT_NE(c, RGB(0, 0, 0));
      EXPECT_NE(c, sb::kSkinKeyColor);
    }
  }
}

TEST_F(SkinCoreTest, AttachSkinsEveryDescendantOnceAndOnlyOnce) {
  EXPECT_FALSE(sb::SkinAttach(nullptr));
  EXPECT_FALSE(sb::Skin().initialised) << "a refused attach builds nothing";
  Attach();
  auto all = sbtest::Descendants(w_->hwnd());
  ASSERT_GE(all.size(), 12u);  // the controls, the header, the edit of the drop-down combo
  for (HWND h : all) {
    EXPECT_NE(Prop(h, sb::kPropProcAddr), 0) << sb::LowerClassName(h);
    EXPECT_EQ(GetWindowLongPtrW(h, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&sb::SkinWindowProc));
  }
  EXPECT_EQ(sb::Skin().attachCount, static_cast<int>(all.size()) + 1);
  EXPECT_TRUE(sb::Skin().initialised);
  EXPECT_TRUE(sb::Skin().buttonFaceStrip);
  // A second attach, of the form or of a control skinned with it, changes nothing.
  const int count = sb::Skin().attachCount;
  const long gdi = sb::Skin().gdiObjects;
  EXPECT_FALSE(sb::SkinAttach(w_->hwnd()));
  EXPECT_FALSE(sb::SkinAttach(w_->listView));
  EXPECT_FALSE(sb::SkinAttach(w_->push));
  EXPECT_EQ(sb::Skin().attachCount, count);
  EXPECT_EQ(sb::Skin().gdiObjects, gdi);
  // Per-kind properties.
  EXPECT_EQ(Prop(w_->header, sb::kPropHdIndex), -1);
  EXPECT_EQ(Prop(w_->header, sb::kPropHmIndex), -1);
  EXPECT_TRUE(HasProp(w_->header, sb::kPropMouseFlag));
  EXPECT_EQ(CountProps(w_->header), 4);
  EXPECT_TRUE(HasProp(w_->dropDown, sb::kPropMouseFlag));
  EXPECT_TRUE(HasProp(w_->dropDown, sb::kPropOldState));
  EXPECT_EQ(CountProps(w_->dropDown), 3);
  EXPECT_EQ(CountProps(w_->push), 14) << "PROCADDR, 8 images, 5 state values";
  EXPECT_EQ(CountProps(w_->progress), 1) << "progress bars keep only PROCADDR";
  EXPECT_EQ(CountProps(w_->edit), 1);
  // A detach of an unskinned window is refused.
  EXPECT_FALSE(sb::SkinDetach(nullptr));
}

TEST_F(SkinCoreTest, PushButtonAttachState) {
  const LONG_PTR pushStyle = GetWindowLongPtrW(w_->push, GWL_STYLE);
  const LONG_PTR checkStyle = GetWindowLongPtrW(w_->checkBox, GWL_STYLE);
  const LONG_PTR radioStyle = GetWindowLongPtrW(w_->radio, GWL_STYLE);
  Attach();
  EXPECT_EQ(Prop(w_->push, sb::kPropOldStyle), pushStyle);
  EXPECT_EQ(GetWindowLongPtrW(w_->push, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(Prop(w_->push, sb::kPropOldState), 0);
  EXPECT_EQ(Prop(w_->disabledPush, sb::kPropOldState), 3);
  EXPECT_EQ(Prop(w_->push, sb::kPropTimerId), 0);
  EXPECT_EQ(Prop(w_->push, sb::kPropMouseFlag), 0);
  for (int i = 0; i < 4; ++i) {
    HDC dc = reinterpret_cast<HDC>(Prop(w_->push, sb::StatePropName(L"HDC", i)));
    HBITMAP bmp = reinterpret_cast<HBITMAP>(Prop(w_->push, sb::StatePropName(L"BMP", i)));
    ASSERT_NE(dc, nullptr);
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bmp);
    BITMAP info{};
    GetObjectW(bmp, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 75);
    EXPECT_EQ(info.bmHeight, 25);
  }
  // Four DCs and four bitmaps per push button, both kinds counted.
  EXPECT_GE(sb::Skin().gdiObjects - baseGdi_, 3 * 8);
  // The rounded region: its box is the window, its corner pixel is cut.
  sb::UniqueRegion rgn(CreateRectRgn(0, 0, 0, 0));
  EXPECT_NE(GetWindowRgn(w_->push, rgn.get()), ERROR);
  EXPECT_FALSE(PtInRegion(rgn.get(), 0, 0));
  EXPECT_TRUE(PtInRegion(rgn.get(), 37, 0));
  EXPECT_TRUE(PtInRegion(rgn.get(), 74, 12));
  // "button"-class check boxes and radio buttons keep their type.
  EXPECT_EQ(GetWindowLongPtrW(w_->checkBox, GWL_STYLE), checkStyle);
  EXPECT_EQ(GetWindowLongPtrW(w_->radio, GWL_STYLE), radioStyle);
  EXPECT_EQ(Prop(w_->checkBox, sb::kPropOldStyle), checkStyle);
}

TEST_F(SkinCoreTest, PaintShowsTheNinePartFace) {
  Attach();
  InvalidateRect(w_->push, nullptr, FALSE);
  UpdateWindow(w_->push);
  EXPECT_EQ(Prop(w_->push, sb::kPropAlphaLevel), 255) << "WM_PAINT shows the face at full alpha";
  EXPECT_EQ(Prop(w_->push, sb::kPropTimerId), 0);
  sbtest::SaveGallery(w_->hwnd(), L"normal");
  sbtest::Pixels p = sbtest::ReadWindowPixels(w_->push);
  ASSERT_EQ(p.width, 75);
  ASSERT_EQ(p.height, 25);
  // Corners keep their 3 x 3 pixels at both ends.
  EXPECT_EQ(p.at(1, 0), Rgb(0x6BB3E3));
  EXPECT_EQ(p.at(2, 0), Rgb(0x2C97D8));
  EXPECT_EQ(p.at(72, 0), Rgb(0x2C97D8));
  EXPECT_EQ(p.at(73, 0), Rgb(0x6BB3E3));
  EXPECT_EQ(p.at(0, 2), Rgb(0x2C97D8));
  EXPECT_EQ(p.at(74, 22), Rgb(0x2C97D8));
  EXPECT_EQ(p.at(2, 24), Rgb(0x2C97D8));
  // Edges: the outline stretched along, the top rows white.
  for (int x = 3; x <= 71; ++x) EXPECT_EQ(p.at(x, 0), Rgb(0x1B8FD5)) << x;
  for (int y = 3; y <= 21; ++y) EXPECT_EQ(p.at(0, y), Rgb(0x1B8FD5)) << y;
  EXPECT_EQ(p.at(37, 1), Rgb(0xFFFFFF));
  EXPECT_EQ(p.at(37, 24), Rgb(0x1B8FD5));
  // The middle: the 1 x 15 gradient stretched over 69 x 19, away from the caption.
  EXPECT_EQ(p.at(4, 3), Rgb(0xF1F8FC));
  EXPECT_EQ(p.at(4, 21), Rgb(0xB1D0EA));
  EXPECT_EQ(p.at(70, 21), Rgb(0xB1D0EA));
  for (int y = 4; y <= 21; ++y) EXPECT_LE(GetGValue(p.at(4, y)), GetGValue(p.at(4, y - 1))) << "darkens downwards";
  // The caption is dark text on the face.
  int dark = 0;
  for (COLORREF c : p.data) dark += (GetRValue(c) < 0x60 && GetGValue(c) < 0x60 && GetBValue(c) < 0x60);
  EXPECT_GT(dark, 10);
}

TEST_F(SkinCoreTest, PaintStopsARunningFadeAtFullAlpha) {
  Attach();
  PointerOver(w_->push);
  Send(w_->push, WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
  ASSERT_EQ(Prop(w_->push, sb::kPropTimerId), 1);
  InvalidateRect(w_->push, nullptr, FALSE);
  EXPECT_EQ(SendMessageW(w_->push, WM_PAINT, 0, 0), 0);
  EXPECT_EQ(Prop(w_->push, sb::kPropTimerId), 0);
  EXPECT_EQ(Prop(w_->push, sb::kPropAlphaLevel), 255);
  EXPECT_EQ(sbtest::ReadWindowPixels(w_->push).at(37, 1), Rgb(0x4CC3FB)) << "the hot face, whole";
  PointerAway();
}

TEST_F(SkinCoreTest, LongCaptionStaysOnOneLineInsideTheCaptionBox) {
  SetWindowTextW(w_->push, L"");
  Attach();
  sbtest::Pixels empty = sbtest::ReadDcPixels(reinterpret_cast<HDC>(Prop(w_->push, L"HDC0")), 75, 25);
  ASSERT_TRUE(sb::SkinDetach(w_->hwnd()));
  SetWindowTextW(w_->push, L"这是一个非常非常长的按钮标题文字");
  Attach();
  sbtest::Pixels text = sbtest::ReadDcPixels(reinterpret_cast<HDC>(Prop(w_->push, L"HDC0")), 75, 25);
  int inside = 0, outside = 0, nearRight = 0;
  for (int y = 0; y < 25; ++y) {
    for (int x = 0; x < 75; ++x) {
      bool differs = text.at(x, y) != empty.at(x, y);
      bool inBox = x >= 2 && x < 73 && y >= 2 && y < 23;
      (inBox ? inside : outside) += differs;
      nearRight += differs && x >= 62;
    }
  }
  EXPECT_GT(inside, 30);
  EXPECT_EQ(outside, 0) << "the caption is clipped to (2, 2, W - 4, H - 4)";
  EXPECT_GT(nearRight, 0) << "the cut text runs to the right end (the ellipsis)";
}

TEST_F(SkinCoreTest, HoverFadesTheHotFaceInAndStops) {
  Attach();
  PointerOver(w_->push);
  Send(w_->push, WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
  EXPECT_EQ(Prop(w_->push, sb::kPropMouseFlag), 1);
  EXPECT_EQ(Prop(w_->push, sb::kPropOldState), 1);
  EXPECT_EQ(Prop(w_->push, sb::kPropTimerId), 1);
  // A second move over the button changes nothing.
  Send(w_->push, WM_MOUSEMOVE, 0, MAKELPARAM(31, 10));
  EXPECT_EQ(Prop(w_->push, sb::kPropAlphaLevel), 0);
  std::vector<int> alphas = RunFade(w_->push);
  EXPECT_EQ(alphas, Ramp(0));
  EXPECT_EQ(alphas.size(), 86u);
  EXPECT_EQ(Prop(w_->push, sb::kPropTimerId), 0);
  EXPECT_EQ(Prop(w_->push, sb::kPropAlphaLevel), 0);
  MSG m;
  EXPECT_FALSE(PeekMessageW(&m, w_->push, WM_TIMER, WM_TIMER, PM_NOREMOVE)) << "no timer after the fade";
  // The last step laid the hot face at 255: the screen shows it exactly.
  sbtest::Pixels p = sbtest::ReadWindowPixels(w_->push);
  EXPECT_EQ(p.at(37, 1), Rgb(0x4CC3FB));
  EXPECT_EQ(p.at(1, 10), Rgb(0x4CC3FB));
  sbtest::SaveGallery(w_->hwnd(), L"hover");
}

TEST_F(SkinCoreTest, MoveWithThePointerElsewhereEndsTheFadeAtOnce) {
  Attach();
  PointerOver(w_->push);
  Send(w_->push, WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
  Send(w_->push, WM_TIMER, 1);
  ASSERT_EQ(Prop(w_->push, sb::kPropTimerId), 1);
  // Captured moves report the pointer outside the button.
  PointerAway();
  Send(w_->push, WM_MOUSEMOVE, 0, MAKELPARAM(500, 10));
  EXPECT_EQ(Prop(w_->push, sb::kPropTimerId), 0);
  EXPECT_EQ(Prop(w_->push, sb::kPropAlphaLevel), 255);
  EXPECT_EQ(Prop(w_->push, sb::kPropOldState), 1);
  EXPECT_EQ(sbtest::ReadWindowPixels(w_->push).at(37, 1), Rgb(0x4CC3FB));
}

TEST_F(SkinCoreTest, LeaveTrackingDeliversTheLeave) {
  Attach();
  EXPECT_TRUE(sb::Skin().user32LeaveTracking);
  PointerOver(w_->push);
  Send(w_->push, WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
  ASSERT_EQ(Prop(w_->push, sb::kPropMouseFlag), 1);
  sbtest::PumpFor(100);
  EXPECT_EQ(Prop(w_->push, sb::kPropMouseFlag), 1) << "no leave while the pointer is inside";
  PointerAway();
  EXPECT_TRUE(sbtest::PumpUntil([&] { return Prop(w_->push, sb::kPropMouseFlag) == 0; }, 3000))
      << "the system sent WM_MOUSELEAVE";
  EXPECT_EQ(Prop(w_->push, sb::kPropOldState), 0);
  EXPECT_TRUE(sbtest::PumpUntil([&] { return Prop(w_->push, sb::kPropTimerId) == 0; }, 5000))
      << "the leave fade ends by itself";
}

TEST_F(SkinCoreTest, LeaveShowsHotAt140ThenFadesNormalFromZero) {
  Attach();
  PointerOver(w_->push);
  Send(w_->push, WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
  RunFade(w_->push);
  // Repaint the normal face fully so the 140 blend over it can be measured.
  SetPropW(w_->push, sb::kPropOldState, reinterpret_cast<HANDLE>(0));
  InvalidateRect(w_->push, nullptr, FALSE);
  UpdateWindow(w_->push);
  PointerAway();
  Send(w_->push, WM_MOUSELEAVE);
  EXPECT_EQ(Prop(w_->push, sb::kPropMouseFlag), 0);
  EXPECT_EQ(Prop(w_->push, sb::kPropOldState), 0);
  EXPECT_EQ(Prop(w_->push, sb::kPropTimerId), 1);
  // Hot over normal at 140/255: 0x4CC3FB over 0xFFFFFF.
  sbtest::Pixels p = sbtest::ReadWindowPixels(w_->push);
  COLORREF expected = RGB((0x4C * 140 + 0xFF * 115) / 255, (0xC3 * 140 + 0xFF * 115) / 255, 0xFB * 140 / 255 + 0xFF * 115 / 255);
  EXPECT_LE(ColourDistance(p.at(37, 1), expected), 3);
  EXPECT_EQ(RunFade(w_->push), Ramp(0));
  p = sbtest::ReadWindowPixels(w_->push);
  EXPECT_EQ(p.at(37, 1), Rgb(0xFFFFFF));
}

TEST_F(SkinCoreTest, PressShowsPressedAtOnceAndReleaseFadesFrom60) {
  Attach();
  PointerOver(w_->push);
  Send(w_->push, WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
  Send(w_->push, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 10));
  EXPECT_EQ(Prop(w_->push, sb::kPropOldState), 2);
  EXPECT_EQ(Prop(w_->push, sb::kPropAlphaLevel), 0);
  EXPECT_EQ(Prop(w_->push, sb::kPropTimerId), 0) << "the press stops every fade, the focus fade too";
  sbtest::Pixels p = sbtest::ReadWindowPixels(w_->push);
  EXPECT_EQ(p.at(37, 1), Rgb(0x39BCFB));
  sbtest::SaveGallery(w_->hwnd(), L"pressed");
  Send(w_->push, WM_LBUTTONUP, 0, MAKELPARAM(30, 10));
  EXPECT_EQ(w_->clicks, 1) << "the skinned button still clicks";
  EXPECT_EQ(Prop(w_->push, sb::kPropMouseFlag), 0);
  EXPECT_EQ(Prop(w_->push, sb::kPropOldState), 0);
  std::vector<int> alphas = RunFade(w_->push);
  EXPECT_EQ(alphas, Ramp(60));
  EXPECT_EQ(alphas.size(), 66u);
  // A double click presses like a single one.
  Send(w_->push, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(30, 10));
  EXPECT_EQ(Prop(w_->push, sb::kPropOldState), 2);
  Send(w_->push, WM_LBUTTONUP, 0, MAKELPARAM(30, 10));
  PointerAway();
}

TEST_F(SkinCoreTest, SpaceBarPressesAndReleases) {
  Attach();
  Send(w_->push, WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(Prop(w_->push, sb::kPropOldState), 0) << "only the space bar presses";
  Send(w_->push, WM_KEYDOWN, VK_SPACE);
  EXPECT_EQ(Prop(w_->push, sb::kPropOldState), 2);
  EXPECT_EQ(sbtest::ReadWindowPixels(w_->push).at(37, 1), Rgb(0x39BCFB));
  Send(w_->push, WM_KEYUP, VK_SPACE);
  EXPECT_EQ(Prop(w_->push, sb::kPropOldState), 0);
  EXPECT_EQ(Prop(w_->push, sb::kPropAlphaLevel), 0);
  EXPECT_EQ(RunFade(w_->push), Ramp(0));
}

TEST_F(SkinCoreTest, FocusRedrawsTheImagesAndFades) {
  Attach();
  HDC normal = reinterpret_cast<HDC>(Prop(w_->push, L"HDC0"));
  sbtest::Pixels before = sbtest::ReadDcPixels(normal, 75, 25);
  SetFocus(w_->push);
  EXPECT_EQ(GetFocus(), w_->push);
  EXPECT_EQ(Prop(w_->push, sb::kPropTimerId), 1);
  EXPECT_EQ(Prop(w_->push, sb::kPropAlphaLevel), 0);
  sbtest::Pixels focused = sbtest::ReadDcPixels(normal, 75, 25);
  // The focus rectangle runs along the caption rectangle (2, 2)-(73, 23).
  int changed = 0;
  for (int x = 2; x < 73; ++x) changed += focused.at(x, 2) != before.at(x, 2);
  EXPECT_GT(changed, 20);
  EXPECT_EQ(focused.at(37, 0), before.at(37, 0)) << "the outline is untouched";
  RunFade(w_->push);
  sbtest::SaveGallery(w_->hwnd(), L"focus");
  SetFocus(w_->edit);
  sbtest::Pixels after = sbtest::ReadDcPixels(normal, 75, 25);
  EXPECT_EQ(after.data, before.data) << "losing the focus renders the images without it";
  EXPECT_EQ(Prop(w_->push, sb::kPropTimerId), 1);
  RunFade(w_->push);
}

TEST_F(SkinCoreTest, DisabledButtonShowsTheDisabledFace) {
  Attach();
  InvalidateRect(w_->disabledPush, nullptr, FALSE);
  UpdateWindow(w_->disabledPush);
  sbtest::Pixels p = sbtest::ReadWindowPixels(w_->disabledPush);
  EXPECT_EQ(p.at(3, 0), Rgb(0x87C3E8));
  EXPECT_EQ(p.at(37, 1), Rgb(0xF8FBFD));
  int caption = 0, black = 0;
  for (COLORREF c : p.data) {
    caption += ColourDistance(c, sb::kSkinDisabledTextColor) <= 2;
    black += c == RGB(0, 0, 0);
  }
  EXPECT_GT(caption, 5) << "#798A96 caption";
  EXPECT_EQ(black, 0);
  // Enabling switches to the normal state; disabling back to 3.
  EnableWindow(w_->disabledPush, TRUE);
  EXPECT_EQ(Prop(w_->disabledPush, sb::kPropOldState), 0);
  EnableWindow(w_->disabledPush, FALSE);
  EXPECT_EQ(Prop(w_->disabledPush, sb::kPropOldState), 3);
  // Whatever the mouse does, a disabled button blends the disabled face.
  Send(w_->disabledPush, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(Prop(w_->disabledPush, sb::kPropOldState), 3);
  sbtest::SaveGallery(w_->hwnd(), L"disabled");
}

TEST_F(SkinCoreTest, ResizeRebuildsImagesAndRegion) {
  Attach();
  const long gdi = sb::Skin().gdiObjects;
  HBITMAP oldBmp = reinterpret_cast<HBITMAP>(Prop(w_->push, L"BMP0"));
  SetWindowPos(w_->push, nullptr, 0, 0, 100, 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  HBITMAP newBmp = reinterpret_cast<HBITMAP>(Prop(w_->push, L"BMP0"));
  EXPECT_NE(newBmp, oldBmp);
  for (int i = 0; i < 4; ++i) {
    BITMAP info{};
    GetObjectW(reinterpret_cast<HBITMAP>(Prop(w_->push, sb::StatePropName(L"BMP", i))), sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 100);
    EXPECT_EQ(info.bmHeight, 30);
  }
  EXPECT_EQ(sb::Skin().gdiObjects, gdi) << "the replaced bitmaps are freed";
  sb::UniqueRegion rgn(CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(GetWindowRgn(w_->push, rgn.get()), ERROR);
  EXPECT_TRUE(PtInRegion(rgn.get(), 99, 15));
  EXPECT_FALSE(PtInRegion(rgn.get(), 99, 29));
  InvalidateRect(w_->push, nullptr, FALSE);
  UpdateWindow(w_->push);
  sbtest::Pixels p = sbtest::ReadWindowPixels(w_->push);
  EXPECT_EQ(p.at(97, 0), Rgb(0x2C97D8));
  EXPECT_EQ(p.at(99, 15), Rgb(0x1B8FD5));
}

TEST_F(SkinCoreTest, ButtonsThatKeepTheirOwnPaintingAreNotDrawn) {
  Attach();
  InvalidateRect(w_->checkBox, nullptr, TRUE);
  UpdateWindow(w_->checkBox);
  EXPECT_EQ(Prop(w_->checkBox, sb::kPropAlphaLevel), 0) << "WM_PAINT went to the control";
  sbtest::Pixels p = sbtest::ReadWindowPixels(w_->checkBox);
  int outline = 0;
  for (COLORREF c : p.data) outline += c == Rgb(0x1B8FD5);
  EXPECT_EQ(outline, 0) << "no skin face on a check box";
  // The radio button still checks itself when clicked.
  Send(w_->radio, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  Send(w_->radio, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(SendMessageW(w_->radio, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(SkinCoreTest, DetachRestoresEverything) {
  std::vector<HWND> all = sbtest::Descendants(w_->hwnd());
  all.push_back(w_->hwnd());
  std::vector<LONG_PTR> procs, styles;
  for (HWND h : all) {
    procs.push_back(GetWindowLongPtrW(h, GWLP_WNDPROC));
    styles.push_back(GetWindowLongPtrW(h, GWL_STYLE));
  }
  Attach();
  PointerOver(w_->push);
  Send(w_->push, WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
  ASSERT_EQ(Prop(w_->push, sb::kPropTimerId), 1) << "detach in the middle of a fade";
  EXPECT_TRUE(sb::SkinDetach(w_->hwnd()));
  EXPECT_FALSE(sb::SkinDetach(w_->hwnd()));
  EXPECT_FALSE(sb::SkinDetach(w_->push));
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(GetWindowLongPtrW(all[i], GWLP_WNDPROC), procs[i]) << sb::LowerClassName(all[i]);
    EXPECT_EQ(GetWindowLongPtrW(all[i], GWL_STYLE), styles[i]) << sb::LowerClassName(all[i]);
    EXPECT_EQ(CountProps(all[i]), 0) << sb::LowerClassName(all[i]);
  }
  sb::UniqueRegion rgn(CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(GetWindowRgn(w_->push, rgn.get()), ERROR) << "no window region";
  EXPECT_EQ(sb::Skin().attachCount, 0);
  EXPECT_FALSE(sb::Skin().initialised);
  EXPECT_FALSE(sb::Skin().buttonFaceStrip);
  EXPECT_EQ(sb::Skin().gdiObjects, baseGdi_);
  Sleep(40);
  MSG m;
  EXPECT_FALSE(PeekMessageW(&m, w_->push, WM_TIMER, WM_TIMER, PM_NOREMOVE)) << "the fade timer died with the skin";
  PointerAway();
  // The button works as a system button again.
  Send(w_->push, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 10));
  Send(w_->push, WM_LBUTTONUP, 0, MAKELPARAM(30, 10));
  EXPECT_EQ(w_->clicks, 1);
}

TEST_F(SkinCoreTest, ClickThatDetachesTheFormLeavesNothingBehind) {
  Attach();
  HWND form = w_->hwnd();
  w_->form->OnClick(w_->push, [form] { sb::SkinDetach(form); });
  const long gdi = baseGdi_;
  PointerOver(w_->push);
  Send(w_->push, WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
  Send(w_->push, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 10));
  Send(w_->push, WM_LBUTTONUP, 0, MAKELPARAM(30, 10));
  PointerAway();
  EXPECT_EQ(sb::Skin().attachCount, 0);
  EXPECT_EQ(CountProps(w_->push), 0) << "the release after the click added no properties";
  EXPECT_EQ(sb::Skin().gdiObjects, gdi);
  Sleep(40);
  MSG m;
  EXPECT_FALSE(PeekMessageW(&m, w_->push, WM_TIMER, WM_TIMER, PM_NOREMOVE)) << "and started no fade";
}

TEST_F(SkinCoreTest, ClickThatClosesTheFormIsSafe) {
  Attach();
  HWND form = w_->hwnd();
  w_->form->OnClick(w_->push, [form] { DestroyWindow(form); });
  Send(w_->push, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 10));
  Send(w_->push, WM_LBUTTONUP, 0, MAKELPARAM(30, 10));
  EXPECT_FALSE(IsWindow(form));
  EXPECT_EQ(sb::Skin().attachCount, 0);
  EXPECT_EQ(sb::Skin().gdiObjects, baseGdi_);
}

TEST_F(SkinCoreTest, DetachKeepsStateChangesMadeWhileSkinned) {
  const LONG_PTR type = GetWindowLongPtrW(w_->push, GWL_STYLE) & BS_TYPEMASK;
  Attach();
  EnableWindow(w_->push, FALSE);
  ShowWindow(w_->defaultPush, SW_HIDE);
  ASSERT_TRUE(sb::SkinDetach(w_->hwnd()));
  EXPECT_FALSE(IsWindowEnabled(w_->push)) << "detach does not re-enable a button disabled meanwhile";
  EXPECT_FALSE(IsWindowVisible(w_->defaultPush));
  EXPECT_EQ(GetWindowLongPtrW(w_->push, GWL_STYLE) & BS_TYPEMASK, type);
  EXPECT_EQ(GetWindowLongPtrW(w_->defaultPush, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

TEST_F(SkinCoreTest, ReattachRebuildsIdenticalBitmaps) {
  Attach();
  sbtest::Pixels first = sbtest::ReadDcPixels(sb::Skin().buttonFaceStrip.dc(), 7, 84);
  ASSERT_TRUE(sb::SkinDetach(w_->hwnd()));
  EXPECT_FALSE(sb::Skin().buttonFaceStrip);
  Attach();
  sbtest::Pixels second = sbtest::ReadDcPixels(sb::Skin().buttonFaceStrip.dc(), 7, 84);
  EXPECT_EQ(first.data, second.data);
}

// A form that looks at its skin when its own procedure gets WM_DESTROY.
class WatchingForm : public sb::Form {
 public:
  bool sawDestroy = false;
  bool skinnedAtDestroy = true;
  bool childSkinnedAtDestroy = true;
  HWND child = nullptr;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_DESTROY) {
      sawDestroy = true;
      skinnedAtDestroy = GetPropW(hwnd(), sb::kPropProcAddr) != nullptr;
      childSkinnedAtDestroy = GetPropW(child, sb::kPropProcAddr) != nullptr;
    }
    return sb::Form::HandleMessage(msg, wp, lp);
  }
};

TEST(SkinDestroyTest, DestroyDetachesBeforeTheWindowSeesIt) {
  auto* form = new WatchingForm;
  auto w = sbtest::MakeSkinTestWindow(std::unique_ptr<sb::Form>(form));
  ASSERT_TRUE(w);
  form->child = w->push;
  const long gdi = sb::Skin().gdiObjects;
  ASSERT_TRUE(sb::SkinAttach(w->hwnd()));
  PointerOver(w->push);
  Send(w->push, WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
  PointerAway();
  DestroyWindow(w->hwnd());
  EXPECT_TRUE(form->sawDestroy);
  EXPECT_FALSE(form->skinnedAtDestroy);
  EXPECT_FALSE(form->childSkinnedAtDestroy);
  EXPECT_EQ(sb::Skin().attachCount, 0);
  EXPECT_EQ(sb::Skin().gdiObjects, gdi);
  sbtest::PumpFor(50);  // a fade timer left behind would fire into a dead window here
}

// Inspects the message box from inside its modal loop, then closes it.
struct BoxProbe {
  HWND owner = nullptr;
  HWND box = nullptr;
  bool boxSkinned = false;
  int buttons = 0, skinnedButtons = 0, ownerDrawButtons = 0;
  int countInside = 0;
};
BoxProbe* g_probe = nullptr;

BOOL CALLBACK FindBox(HWND h, LPARAM) {
  if (sb::LowerClassName(h) == L"#32770" && IsWindowVisible(h)) {
    g_probe->box = h;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK InspectBox(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  EnumThreadWindows(GetCurrentThreadId(), FindBox, 0);
  if (!g_probe->box) return;
  sbtest::PumpFor(50);
  g_probe->boxSkinned = GetPropW(g_probe->box, sb::kPropProcAddr) != nullptr;
  for (HWND c : sbtest::Descendants(g_probe->box)) {
    if (sb::LowerClassName(c) != L"button") continue;
    ++g_probe->buttons;
    g_probe->skinnedButtons += GetPropW(c, sb::kPropProcAddr) != nullptr;
    g_probe->ownerDrawButtons += (GetWindowLongPtrW(c, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
  }
  g_probe->countInside = sb::Skin().attachCount;
  sbtest::SaveGallery(g_probe->box, L"messagebox");
  PostMessageW(g_probe->box, WM_COMMAND, IDOK, 0);
}

TEST_F(SkinCoreTest, MessageBoxOfASkinnedFormGetsSkinned) {
  Attach();
  const int before = sb::Skin().attachCount;
  BoxProbe probe;
  probe.owner = w_->hwnd();
  g_probe = &probe;
  SetTimer(nullptr, 0, 300, InspectBox);
  // The box announces itself through the deactivation of its active owner.
  SetForegroundWindow(w_->hwnd());
  ASSERT_EQ(GetActiveWindow(), w_->hwnd());
  MessageBoxW(w_->hwnd(), L"歌曲下载完成", L"SongBox", MB_OKCANCEL);
  g_probe = nullptr;
  ASSERT_NE(probe.box, nullptr);
  EXPECT_TRUE(probe.boxSkinned);
  EXPECT_EQ(probe.buttons, 2);
  EXPECT_EQ(probe.skinnedButtons, 2);
  EXPECT_EQ(probe.ownerDrawButtons, 2);
  EXPECT_GT(probe.countInside, before);
  EXPECT_EQ(sb::Skin().attachCount, before) << "the closed box detached on WM_DESTROY";
}

TEST(SkinCycleTest, ThousandCyclesLeakNothing) {
  PointerAway();
  sbtest::PumpFor(30);
  // A small form keeps the thousand rounds short; every path of the cycle is
  // the one the big test window takes.
  sb::Form form;
  sb::FormCreateArgs args;
  args.clientWidthTwips = 200 * 15;
  args.clientHeightTwips = 60 * 15;
  args.style = WS_POPUP | WS_VISIBLE;
  ASSERT_TRUE(form.CreateForm(args));
  SetWindowPos(form.hwnd(), HWND_TOP, 0, 0, 200, 60, SWP_NOACTIVATE);
  sb::ControlArgs a;
  a.className = L"Button";
  a.text = L"播放";
  a.style = WS_VISIBLE | BS_PUSHBUTTON;
  HWND push = form.AddControl(a);
  SetWindowPos(push, nullptr, 10, 10, 75, 25, SWP_NOZORDER);
  a.className = L"Edit";
  a.style = WS_VISIBLE;
  a.exStyle = WS_EX_CLIENTEDGE;
  HWND edit = form.AddControl(a);
  SetWindowPos(edit, nullptr, 100, 10, 90, 25, SWP_NOZORDER);
  const long gdi = sb::Skin().gdiObjects;
  for (int cycle = 0; cycle < 1000; ++cycle) {
    ASSERT_TRUE(sb::SkinAttach(form.hwnd()));
    PointerOver(push);
    Send(push, WM_MOUSEMOVE, 0, MAKELPARAM(30, 10));
    for (int i = 0; i < 5; ++i) Send(push, WM_TIMER, 1);
    if (cycle % 10 == 0) SetWindowPos(push, nullptr, 0, 0, 75 + cycle % 3, 25, SWP_NOMOVE | SWP_NOZORDER);
    if (cycle % 10 == 5) SetFocus(push);
    PointerAway();
    Send(push, WM_MOUSELEAVE);
    Send(push, WM_TIMER, 1);
    ASSERT_TRUE(sb::SkinDetach(form.hwnd()));
    ASSERT_EQ(sb::Skin().gdiObjects, gdi) << "cycle " << cycle;
  }
  EXPECT_EQ(sb::Skin().attachCount, 0);
  EXPECT_FALSE(sb::Skin().initialised);
  EXPECT_EQ(CountProps(push), 0);
  EXPECT_EQ(CountProps(edit), 0);
  sbtest::PumpFor(30);
}

TEST_F(SkinCoreTest, WindowsAnnouncedToTheFormGetSkinned) {
  Attach();
  auto popup = [&](const wchar_t* cls, HWND owner) {
    return CreateWindowExW(0, cls, L"", WS_POPUP, 0, 0, 50, 50, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
  };
  // WM_ACTIVATE: a window the form owns, or any form.
  sb::UniqueWindow owned(popup(L"Static", w_->hwnd()));
  sb::UniqueWindow stranger(popup(L"Static", nullptr));
  sb::Form other;
  sb::FormCreateArgs args;
  args.style = WS_POPUP;
  ASSERT_TRUE(other.CreateForm(args));
  Send(w_->hwnd(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(owned.get()));
  Send(w_->hwnd(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(stranger.get()));
  Send(w_->hwnd(), WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(other.hwnd()));
  EXPECT_NE(Prop(owned.get(), sb::kPropProcAddr), 0);
  EXPECT_EQ(Prop(stranger.get(), sb::kPropProcAddr), 0) << "neither owned by the form nor a form";
  EXPECT_NE(Prop(other.hwnd(), sb::kPropProcAddr), 0);
  // WM_ENTERIDLE names the modal window, WM_CTLCOLORLISTBOX a drop-down list.
  sb::UniqueWindow idle(popup(L"Static", nullptr));
  sb::UniqueWindow list(popup(L"ListBox", nullptr));
  Send(w_->hwnd(), WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(idle.get()));
  Send(w_->hwnd(), WM_CTLCOLORLISTBOX, 0, reinterpret_cast<LPARAM>(list.get()));
  EXPECT_NE(Prop(idle.get(), sb::kPropProcAddr), 0);
  EXPECT_NE(Prop(list.get(), sb::kPropProcAddr), 0);
  // Destroying them detaches them one by one.
  const int count = sb::Skin().attachCount;
  owned.reset();
  idle.reset();
  list.reset();
  EXPECT_EQ(sb::Skin().attachCount, count - 3);
  DestroyWindow(other.hwnd());
  EXPECT_EQ(sb::Skin().attachCount, count - 4);
}

TEST_F(SkinCoreTest, DialogStyleChangesKeepTheButtonOwnerDrawn) {
  Attach();
  const LONG_PTR before = Prop(w_->push, sb::kPropOldStyle);
  // A dialog makes the button its default one, then takes that back.
  Send(w_->push, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_EQ(GetWindowLongPtrW(w_->push, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(Prop(w_->push, sb::kPropOldStyle) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(Prop(w_->push, sb::kPropOldStyle) & ~static_cast<LONG_PTR>(BS_TYPEMASK),
            before & ~static_cast<LONG_PTR>(BS_TYPEMASK));
  ASSERT_TRUE(sb::SkinDetach(w_->hwnd()));
  EXPECT_EQ(GetWindowLongPtrW(w_->push, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON) << "detach keeps the latest type";
  // A check box's own style changes go through unchanged.
  Attach();
  Send(w_->checkBox, BM_SETSTYLE, BS_AUTO3STATE, FALSE);
  EXPECT_EQ(GetWindowLongPtrW(w_->checkBox, GWL_STYLE) & BS_TYPEMASK, BS_AUTO3STATE);
}

}  // namespace
