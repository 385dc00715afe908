#include <gtest/gtest.h>

#include "platform/form.h"
#include "test_env.h"

namespace {

class TestForm : public sb::Form {
 public:
  int unloads = 0;

 protected:
  void OnUnload() override { ++unloads; }
};

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
