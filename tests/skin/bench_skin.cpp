// Skin timings: one fade step, attach and detach of a window shaped like the
// main window, and the CPU the skin takes while fading and while idle.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/form.h"
#include "skin/skin.h"
#include "skin/skin_props.h"
#include "skin_test_window.h"
#include "test_env.h"

namespace {

using Clock = std::chrono::steady_clock;

using sbtest::Add;
constexpr int kTwips = 15;

struct MainLike {
  sb::Form form;
  HWND firstButton = nullptr;
};

// The main window's make-up: a report list view with its header, five 81 x 29
// buttons, a multi-line edit with a client edge and a few labels.
std::unique_ptr<MainLike> MakeMainLike() {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  auto m = std::make_unique<MainLike>();
  sb::FormCreateArgs args;
  args.caption = L"新歌音乐盒";
  args.clientWidthTwips = 760 * kTwips;
  args.clientHeightTwips = 520 * kTwips;
  args.style = WS_POPUP | WS_CLIPCHILDREN;
  if (!m->form.CreateForm(args)) return nullptr;
  SetWindowPos(m->form.hwnd(), HWND_TOP, 0, 0, 760, 520, SWP_NOACTIVATE);
  HWND list = Add(m->form, WC_LISTVIEWW, L"", 8, 8, 520, 380, LVS_REPORT | LVS_SHOWSELALWAYS, WS_EX_CLIENTEDGE);
  const wchar_t* titles[] = {L"歌曲", L"文件", L"专辑", L"歌手", L"发行", L"时间", L"图片", L"歌词", L"今日", L"总计"};
  for (int i = 0; i < 10; ++i) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = i < 6 ? 80 : 0;
    col.pszText = const_cast<wchar_t*>(titles[i]);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
  }
  const wchar_t* captions[] = {L"播放音乐", L"下载音乐", L"刷新列表", L"歌词", L"论坛"};
  for (int i = 0; i < 5; ++i) {
    HWND b = Add(m->form, L"Button", captions[i], 540, 8 + i * 37, 81, 29, BS_PUSHBUTTON | WS_TABSTOP);
    if (i == 0) m->firstButton = b;
  }
  Add(m->form, L"Edit", L"歌词", 540, 200, 210, 180, ES_MULTILINE | WS_VSCROLL, WS_EX_CLIENTEDGE);
  Add(m->form, L"Static", L"播放状态", 8, 400, 200, 18, 0);
  Add(m->form, L"Static", L"", 220, 400, 200, 18, 0);
  Add(m->form, L"Static", L"", 8, 430, 300, 18, 0);
  ShowWindow(m->form.hwnd(), SW_SHOWNOACTIVATE);
  UpdateWindow(m->form.hwnd());
  return m;
}

// Runs messages until `done` or the time is up, sleeping while the queue is
// empty (the test pump polls, which would be counted as the skin's CPU).
template <typename F>
void RunMessagesUntil(F done, int ms) {
  auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

// The machine is shared: the median of repeated runs is the figure that holds.
double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto toSec = [](const FILETIME& f) {
    return static_cast<double>((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
  };
  return toSec(kernel) + toSec(user);
}

// CPU share of this process while `run` pumps messages.
template <typename F>
double CpuPercent(F run) {
  double cpu0 = CpuSeconds();
  auto t0 = Clock::now();
  run();
  double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  return wall > 0 ? 100.0 * (CpuSeconds() - cpu0) / wall : 0.0;
}

}  // namespace

int main() {
  SetCursorPos(1200, 780);
  auto m = MakeMainLike();
  if (!m) return 1;
  HWND form = m->form.hwnd();
  sbtest::PumpFor(100);

  constexpr int kAttachRuns = 21;
  std::vector<double> attachMs, detachMs;
  for (int i = 0; i < kAttachRuns; ++i) {
    auto t0 = Clock::now();
    sb::SkinAttach(form);
    auto t1 = Clock::now();
    sbtest::PumpFor(5);
    auto t2 = Clock::now();
    sb::SkinDetach(form);
    auto t3 = Clock::now();
    attachMs.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    detachMs.push_back(std::chrono::duration<double, std::milli>(t3 - t2).count());
    sbtest::PumpFor(5);
  }

  sb::SkinAttach(form);
  sbtest::PumpFor(50);
  HWND button = m->firstButton;
  // Each WM_TIMER is one fade step: blend at the current alpha, alpha + 3.
  constexpr int kBatches = 21, kSteps = 100;
  std::vector<double> stepUs;
  for (int b = 0; b < kBatches; ++b) {
    auto f0 = Clock::now();
    for (int i = 0; i < kSteps; ++i) SendMessageW(button, WM_TIMER, 1, 0);
    stepUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - f0).count() / kSteps);
  }
  sbtest::PumpFor(50);

  // A real hover: the pointer over the button, the fade runs on its timer.
  RECT r;
  GetWindowRect(button, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  double fadeCpu = CpuPercent([&] {
    RunMessagesUntil([&] { return sb::GetSkinProp(button, sb::kPropTimerId) == 0; }, 3000);
  });

  SetCursorPos(1200, 780);
  // The leave notification (the system polls the pointer for it) and the
  // fade it starts run out first.
  RunMessagesUntil([&] { return sb::GetSkinProp(button, sb::kPropMouseFlag) == 0; }, 3000);
  RunMessagesUntil([&] { return sb::GetSkinProp(button, sb::kPropTimerId) == 0; }, 5000);
  bool timerLeft = sb::GetSkinProp(button, sb::kPropTimerId) != 0;
  double idleCpu = CpuPercent([] { RunMessagesUntil([] { return false; }, 2000); });
  if (timerLeft) std::printf("fade timer still running when idle\n");

  sb::SkinDetach(form);
  std::printf("fade_step_us: %.1f us\n", Median(stepUs));
  std::printf("skin_attach_main_ms: %.2f ms\n", Median(attachMs));
  std::printf("skin_detach_main_ms: %.2f ms\n", Median(detachMs));
  std::printf("fade_cpu_percent: %.2f %%\n", fadeCpu);
  std::printf("idle_cpu_percent: %.2f %%\n", idleCpu);
  return 0;
}
