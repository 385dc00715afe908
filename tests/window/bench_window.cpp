// thunk_unasked_ratio: SendMessage of a message nobody asked for through the
// thunk, against the same window class without it, in the same run.
// scrollbar_paint_ms: one full paint of a vertical bar by the painter.
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "scrollbar_test_support.h"
#include "window/scrollbar_painter.h"
#include "window/subclassing_thunk.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(f.QuadPart);
}

double TimeSends(HWND hwnd, int count) {
  LARGE_INTEGER a, b;
  QueryPerformanceCounter(&a);
  for (int i = 0; i < count; ++i) SendMessageW(hwnd, WM_APP + 100, i, 0);
  QueryPerformanceCounter(&b);
  return Seconds(a, b);
}

class NullSink : public sb::SubclassingSink {
 public:
  void AfterMsg(LRESULT&, HWND, UINT, WPARAM, LPARAM) override {}
  void BeforeMsg(BOOL&, LRESULT&, HWND&, UINT&, WPARAM&, LPARAM&) override {}
};

LRESULT CALLBACK AppProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP + 100) return static_cast<LRESULT>(wp);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// Both windows of one class with an ordinary procedure of its own.
HWND BenchWindow(HWND parent, int x) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = AppProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SongBoxBenchWindow";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, x, 0, 10, 10, parent, nullptr,
                         wc.hInstance, nullptr);
}

}  // namespace

int main() {
  HWND parent = sbtest::CreateTestParent(300, 300);
  HWND plain = BenchWindow(parent, 0);
  HWND subclassed = BenchWindow(parent, 20);
  NullSink sink;
  sb::cSubclassingThunk thunk;
  for (UINT msg : sb::cCoolScrollbars::kTargetMessages) thunk.AddBeforeMsgs(msg);
  thunk.AddAfterMsgs(WM_SIZE, WM_MOVE);
  thunk.Subclass(subclassed, &sink);

  // Interleaved rounds; the best round of each side filters out the load of
  // other processes on the machine.
  const int perRound = 20000;
  double bestPlain = 1e9, bestThunk = 1e9;
  TimeSends(plain, perRound);
  TimeSends(subclassed, perRound);
  for (int round = 0; round < 15; ++round) {
    bestPlain = std::min(bestPlain, TimeSends(plain, perRound));
    bestThunk = std::min(bestThunk, TimeSends(subclassed, perRound));
  }
  std::printf("thunk_unasked_ratio: %.3f\n", bestThunk / bestPlain);
  std::printf("thunk_unasked_send_ns: %.0f ns\n", bestThunk / perRound * 1e9);
  {
    LARGE_INTEGER a, b;
    double bestCall = 1e9, bestDirect = 1e9;
    for (int round = 0; round < 10; ++round) {
      QueryPerformanceCounter(&a);
      for (int i = 0; i < perRound; ++i) CallWindowProcW(DefWindowProcW, plain, WM_APP + 100, i, 0);
      QueryPerformanceCounter(&b);
      bestCall = std::min(bestCall, Seconds(a, b));
      QueryPerformanceCounter(&a);
      for (int i = 0; i < perRound; ++i) DefWindowProcW(plain, WM_APP + 100, i, 0);
      QueryPerformanceCounter(&b);
      bestDirect = std::min(bestDirect, Seconds(a, b));
    }
    // What the platform's CallWindowProcW costs over a direct call: the floor
    // of the thunk's overhead, since it hands every message on through it.
    std::printf("callwindowproc_overhead_ns: %.0f ns\n", (bestCall - bestDirect) / perRound * 1e9);
  }

  HWND target = sbtest::CreateScrollTarget(parent, WS_VSCROLL, WS_EX_CLIENTEDGE, 10, 30, 200, 250);
  SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 299, 20, 100, 0};
  SetScrollInfo(target, SB_VERT, &si, TRUE);
  sbtest::RoutedScrollbars routed;
  routed.Init(target, true);
  routed.bars.OnPaint = [&routed](HDC dc, int id, int x1, int y1, int x2, int y2, int part, bool pressed) {
    sb::m_oSB_OnPaint(routed.bars, dc, id, x1, y1, x2, y2, part, pressed);
  };
  HWND bar = routed.bars.BarWindow(1);
  RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  double bestPaint = 1e9;
  for (int i = 0; i < 200; ++i) {
    LARGE_INTEGER a, b;
    QueryPerformanceCounter(&a);
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    QueryPerformanceCounter(&b);
    bestPaint = std::min(bestPaint, Seconds(a, b));
  }
  std::printf("scrollbar_paint_ms: %.3f ms\n", bestPaint * 1e3);
  DestroyWindow(parent);
  return 0;
}
