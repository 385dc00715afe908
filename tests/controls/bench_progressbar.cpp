// Timing of the download window's progress bar updates: a Value and Text pair
// that changes nothing, a pair that changes the picture, and a full drawing.
#include <windows.h>

#include <cstdio>
#include <string>

#include "download/download_design.h"
#include "controls/progressbar/progress_bar.h"
#include "platform/form.h"

namespace {

double Now() {
  static const double freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / freq;
}

void Report(const char* name, double ms) { std::printf("%s: %.6f ms\n", name, ms); }

}  // namespace

int main() {
  sb::Form form;
  if (!form.CreateForm({L"歌曲下载", 4680, 1335})) return 1;
  ShowWindow(form.hwnd(), SW_SHOWNOACTIVATE);
  sb::ProgressBar bar;
  if (!bar.Create(form.hwnd(), sb::TwipsToPixels(120), sb::TwipsToPixels(120), sb::TwipsToPixels(3615),
                  sb::TwipsToPixels(375), 1)) {
    return 1;
  }
  bar.ReadProperties(sb::DownloadWindowProgressBarDesign());
  sb::DoEvents();

  bar.SetValue(37);
  bar.SetText(L"37%");
  const int unchangedPairs = 200000;
  double t0 = Now();
  for (int i = 0; i < unchangedPairs; ++i) {
    bar.SetValue(37);
    bar.SetText(L"37%");
  }
  Report("progressbar_update_pair_unchanged_ms", (Now() - t0) / unchangedPairs);

  // Each pair changes Value and Text, as a download does once per percent.
  const int changedPairs = 2000;
  t0 = Now();
  for (int i = 0; i < changedPairs; ++i) {
    int v = i % 100;
    bar.SetValue(v);
    bar.SetText(std::to_wstring(v) + L"%");
  }
  Report("progressbar_update_pair_changed_ms", (Now() - t0) / changedPairs);
  sb::DoEvents();

  // The same with pending messages run after each pair, as the download loop
  // does between chunks (the screen takes the new pixels then).
  t0 = Now();
  for (int i = 0; i < changedPairs; ++i) {
    int v = i % 100;
    bar.SetValue(v);
    bar.SetText(std::to_wstring(v) + L"%");
    sb::DoEvents();
  }
  Report("progressbar_update_pair_changed_with_events_ms", (Now() - t0) / changedPairs);

  const int redraws = 1000;
  t0 = Now();
  for (int i = 0; i < redraws; ++i) bar.Refresh();
  sb::DoEvents();
  Report("progressbar_redraw_ms", (Now() - t0) / redraws);
  std::printf("progressbar_draw_count: %d drawings\n", bar.DrawCount());
  return 0;
}
