#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/form.h"
#include "test_env.h"

namespace {

class TestForm : public sb::Form {
 public:
  int unloads = 0;
  std::vector<int> layouts;  // the old DPI of each layout at a new one

 protected:
  void OnUnload() override { ++unloads; }
  void OnDpiLayout(int oldDpi) override { layouts.push_back(oldDpi); }
};

RECT PlaceInParent(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

LONG FontHeightOf(HWND h) {
  LOGFONTW lf{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
  return lf.lfHeight;
}

int g_afterParent = 0;
LRESULT CALLBACK CountAfterParent(HWND h, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (m == sb::kMsgDpiChangedAfterParent) ++g_afterParent;
  return DefSubclassProc(h, m, wp, lp);
}

// WM_DPICHANGED: the suggested rectangle, controls and placed children at
// their twips, fonts (default and scaled) made again, children told.
TEST(FormRuntime, ANewDpiLaysTheFormOutAgainFromItsTwips) {
  TestForm form;
  ASSERT_TRUE(form.CreateForm({L"dpi", 4680, 1335}));
  HFONT bold = form.ScaledFont({L"宋体", 15, true});
  HWND button = form.AddControl({L"BUTTON", L"取消", 3840, 120, 735, 375, WS_VISIBLE});
  HWND label = form.AddControl({L"STATIC", L"状态：", 240, 960, 615, 255, WS_VISIBLE, 0, 0, bold});
  HWND other = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, form.hwnd(), nullptr, nullptr, nullptr);
  form.Place(other, {120, 120, 120 + 3615, 120 + 375});
  ASSERT_TRUE(SetWindowSubclass(other, CountAfterParent, 1, 0));
  g_afterParent = 0;
  const int first = form.Dpi();
  for (int dpi : {192, 120, first}) {
    SCOPED_TRACE(dpi);
    RECT window{};
    GetWindowRect(form.hwnd(), &window);
    RECT suggested{window.left + 10, window.top + 5, window.left + 10 + sb::TwipsToPixelsAt(4680, dpi) + 8,
                   window.top + 5 + sb::TwipsToPixelsAt(1335, dpi) + 30};
    const int before = form.Dpi();
    SendMessageW(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    GetWindowRect(form.hwnd(), &window);
    EXPECT_TRUE(EqualRect(&window, &suggested));
    EXPECT_EQ(form.Dpi(), dpi);
    EXPECT_EQ(sb::WindowDpi(button), dpi);
    ASSERT_FALSE(form.layouts.empty());
    EXPECT_EQ(form.layouts.back(), before);
    const auto px = [dpi](int twips) { return sb::TwipsToPixelsAt(twips, dpi); };
    for (auto [h, l, t, w, ht] : {std::tuple{button, 3840, 120, 735, 375}, std::tuple{label, 240, 960, 615, 255},
                                   std::tuple{other, 120, 120, 3615, 375}}) {
      const RECT r = PlaceInParent(h);
      EXPECT_EQ(r.left, px(l));
      EXPECT_EQ(r.top, px(t));
      EXPECT_EQ(r.right - r.left, px(w));
      EXPECT_EQ(r.bottom - r.top, px(ht));
    }
    EXPECT_EQ(FontHeightOf(button), sb::FontHeightAt(9, dpi));
    EXPECT_EQ(FontHeightOf(label), sb::FontHeightAt(15, dpi));
  }
  EXPECT_EQ(g_afterParent, 3);
  form.Unload();
}

TEST(FormRuntime, DesignSizesScaleWithTheScreen) {
  int dpi = sb::SystemDpi();
  EXPECT_EQ(sb::TwipsToPixels(1440), dpi);
  EXPECT_EQ(sb::TwipsToPixels(12540), MulDiv(12540, dpi, 1440));
  if (dpi == 96) {
    EXPECT_EQ(sb::TwipsToPixels(12540), 836);
  }
}

TEST(FormRuntime, FormsAreRealWindowsOfClassFormWithTheirControls) {
  TestForm f;
  ASSERT_TRUE(f.CreateForm({L"标题", 4680, 1335}));
  wchar_t cls[32];
  GetClassNameW(f.hwnd(), cls, 32);
  EXPECT_STREQ(cls, L"Form");
  RECT rc;
  GetClientRect(f.hwnd(), &rc);
  EXPECT_EQ(rc.right, sb::TwipsToPixels(4680));
  EXPECT_EQ(rc.bottom, sb::TwipsToPixels(1335));

  HWND button = f.AddControl({L"BUTTON", L"取消", 3840, 120, 735, 375, WS_VISIBLE | BS_PUSHBUTTON});
  ASSERT_NE(button, nullptr);
  int clicks = 0;
  f.OnClick(button, [&] { ++clicks; });
  SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(sb::Form::GetText(button), L"取消");

  HWND label = f.AddControl({L"STATIC", L"已下载 1024 字节", 2295, 720, 0, 0, WS_VISIBLE});
  f.AutoSize(label);
  RECT lr;
  GetWindowRect(label, &lr);
  EXPECT_GT(lr.right - lr.left, 20);
  f.SetText(label, L"");
  f.AutoSize(label);
  GetWindowRect(label, &lr);
  EXPECT_EQ(lr.right - lr.left, 0);

  f.Unload();
  EXPECT_EQ(f.unloads, 1);
  EXPECT_FALSE(f.IsLoaded());
}

TEST(FormRuntime, OneShotTimerRunsItsHandler) {
  TestForm f;
  ASSERT_TRUE(f.CreateForm({L"t", 1500, 1500}));
  int ticks = 0;
  f.StartTimer(1, 10, [&] {
    ++ticks;
    f.StopTimer(1);
  });
  EXPECT_TRUE(sbtest::PumpUntil([&] { return ticks > 0; }, 2000));
  sbtest::PumpFor(60);
  EXPECT_EQ(ticks, 1);
}

// ./songbox test runs Wine in a Chinese locale, as the program's users run Windows.
TEST(FormRuntime, MessageBoxButtonsReadAsOnAChineseWindows) {
  const struct {
    UINT flags;
    std::vector<std::wstring> buttons;
  } cases[] = {{MB_OK | MB_ICONEXCLAMATION, {L"确定"}}, {MB_OKCANCEL, {L"确定", L"取消"}}};
  for (const auto& c : cases) {
    sbtest::MessageBoxAnswerer answerer;
    sb::MsgBox(nullptr, L"与主机通信出错", L"音乐下载", c.flags);
    ASSERT_EQ(answerer.count(), 1);
    EXPECT_EQ(answerer.seen()[0].buttonTexts, c.buttons);
  }
}

}  // namespace
