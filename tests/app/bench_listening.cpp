// Play-through and lyric following with the real main window against the
// catalogue service: the gap between a song's end and the next song's first
// sound, and how late the lyrics box selects a line after its time stamp.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#include "app/main_window.h"
#include "app/song_list_view.h"
#include "catalogue/lrc_timeline.h"
#include "platform/media_player.h"
#include "test_env.h"

namespace {

void Pump(const std::function<bool()>& done, double timeoutMs) {
  const double end = sb::PlayerClockMs() + timeoutMs;
  while (!done() && sb::PlayerClockMs() < end) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) continue;
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
}

// Songs end early: each is moved to its last half second once it plays.
std::vector<double> NextSongGaps(sb::MainWindow& window, int transitions) {
  sb::MediaPlayer& player = window.Player();
  double endedAt = 0;
  auto inner = player.StateChanged;
  player.StateChanged = [&, inner](int state) {
    if (static_cast<sb::PlayerState>(state) == sb::PlayerState::Ended) endedAt = sb::PlayerClockMs();
    inner(state);
  };
  std::vector<double> gaps;
  window.SetContinuousPlay(true);
  window.PlaySong(0);
  for (int i = 0; i < transitions; ++i) {
    Pump([&] { return player.State() == sb::PlayerState::Playing && player.DurationSeconds() > 1; }, 10000);
    player.Seek(player.DurationSeconds() - 0.5);
    const double before = endedAt;
    Pump([&] { return endedAt != before; }, 10000);
    if (endedAt == before) break;
    const double end = endedAt;
    Pump([&] { return player.FirstBufferTickMs() > end; }, 5000);
    if (player.FirstBufferTickMs() > end) gaps.push_back(player.FirstBufferTickMs() - end);
  }
  window.SetContinuousPlay(false);
  player.Stop();
  player.StateChanged = inner;
  return gaps;
}

// The device's readings give the moment the song reached each stamp; the
// selection is read from the lyrics box as it changes.
std::vector<double> LyricFollowLags(sb::MainWindow& window, int row, double untilSeconds) {
  sb::MediaPlayer& player = window.Player();
  HWND geci = window.Controls().geci;
  window.PlaySong(row);
  const sb::LrcTimeline timeline = sb::LrcTimeline::Parse(sb::Form::GetText(geci));
  std::vector<sb::PositionSample> samples;
  std::map<size_t, double> selectedAt;  // line start -> first time selected
  Pump(
      [&] {
        const sb::PositionSample s = player.Position();
        if (s.advancing && (samples.empty() || s.tickMs != samples.back().tickMs)) samples.push_back(s);
        DWORD begin = 0, end = 0;
        SendMessageW(geci, EM_GETSEL, reinterpret_cast<WPARAM>(&begin), reinterpret_cast<LPARAM>(&end));
        if (end > begin && !selectedAt.count(begin)) selectedAt[begin] = sb::PlayerClockMs();
        return s.seconds > untilSeconds || player.State() == sb::PlayerState::Ended;
      },
      60000);
  player.Stop();
  std::vector<double> lags;
  for (const sb::LrcLine& line : timeline.lines()) {
    const double t = line.ms / 1000.0;
    auto selected = selectedAt.find(line.begin);
    if (t <= 0 || selected == selectedAt.end()) continue;
    for (size_t i = 1; i < samples.size(); ++i) {
      const sb::PositionSample& a = samples[i - 1];
      const sb::PositionSample& b = samples[i];
      if (a.seconds <= t && t < b.seconds) {
        const double reached = a.tickMs + (t - a.seconds) / (b.seconds - a.seconds) * (b.tickMs - a.tickMs);
        lags.push_back(selected->second - reached);
        break;
      }
    }
  }
  return lags;
}

}  // namespace

int main() {
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  int rc = 0;
  {
    sb::MainWindow window;
    if (!window.Load()) return 1;
    HWND list = window.Controls().listView1;
    Pump([&] { return window.StartupLoadDone() && sb::RowCount(list) > 1; }, 60000);
    const std::vector<double> gaps = NextSongGaps(window, 5);
    const std::vector<double> lags = LyricFollowLags(window, 1, 14.0);
    if (gaps.empty() || lags.empty()) {
      std::fprintf(stderr, "no figures: %zu gaps, %zu lags\n", gaps.size(), lags.size());
      rc = 1;
    } else {
      std::printf("next_song_gap_ms: %.1f ms\n", sbtest::Median(gaps));
      std::printf("lyric_follow_lag_ms: %.1f ms\n", sbtest::Median(lags));
    }
    window.Unload();
  }
  OleUninitialize();
  return rc;
}
