// The first play of a FLAC song that nobody has played, through the real main
// window against the catalogue service: from the double-click to the first
// sound handed to the sound device. ./songbox bench starts that service
// (SONGBOX_PLAYSTART_ROOT) over FLAC tones with a fresh cache
// (SONGBOX_PLAYSTART_CACHE) and no background fill, so each song is
// transcoded only once it is asked for; each round plays another song.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/song_list_view.h"
#include "app_test_support.h"
#include "audio_capture.h"
#include "platform/media_player.h"

namespace {

constexpr int kSongs = 5;
// The tones of tools/make-media.sh's first-play catalogue: song k (1-based,
// newest first) is titled "First play k" and sounds at 300 + 100 k Hz.
constexpr double kToneStepHz = 100, kToneBaseHz = 300;
constexpr double kDeviceRate = 96000;  // 48 kHz stereo, read as mono

// Any file of the cache (finished or half-written) made from the song titled
// `title`: every transcode carries its song's title in its ID3v2 tag.
bool CacheHolds(const std::wstring& cache, const std::wstring& title) {
  const std::string tag = sbtest::Utf8(title);
  for (const std::wstring& name : sbtest::FolderEntries(cache))
    if (sbtest::ReadFileBytes(cache + L"\\" + name).find(tag) != std::string::npos) return true;
  return false;
}

struct Round {
  double ms = -1;   // double-click to the first buffer; -1: none came
  double hz = 0;    // the pitch heard
  std::wstring failure;
};

Round PlayOnce(sb::MainWindow& window, int row, const std::wstring& cache) {
  Round r;
  // The tag's title as the service wrote it (the list shows its spaces as
  // ideographic ones); the pitch heard tells that this song was played.
  const std::wstring title = L"First play " + std::to_wstring(row + 1);
  if (CacheHolds(cache, title)) {
    r.failure = L"the cache already holds a transcode of " + title;
    return r;
  }
  sb::MediaPlayer& player = window.Player();
  window.ClickSong(row);  // the first click of the double-click: lyrics and cover
  const double t0 = sb::PlayerClockMs();
  sbtest::NotifyDoubleClick(window, row);
  if (!sbtest::PumpUntil([&] { return player.FirstBufferTickMs() > t0; }, 20000)) {
    r.failure = title + L" did not reach the sound device";
    return r;
  }
  r.ms = player.FirstBufferTickMs() - t0;
  sbtest::PumpUntil([&] { return player.PositionSeconds() > 1.5 || player.State() == sb::PlayerState::Ended; }, 20000);
  r.hz = sbtest::ToneFrequency(sbtest::CapturedSamples(), kDeviceRate);
  player.Stop();
  const double want = kToneBaseHz + kToneStepHz * (row + 1);
  if (std::abs(r.hz - want) > want * 0.05) r.failure = title + L" sounded at " + std::to_wstring(r.hz) + L" Hz";
  return r;
}

int Run(sb::MainWindow& window, const std::wstring& cache) {
  HWND list = window.Controls().listView1;
  if (!sbtest::PumpUntil([&] { return window.StartupLoadDone() && sb::RowCount(list) == kSongs; }, 60000)) {
    std::printf("transcoded_play_start_ms: failed: %d songs listed, not %d\n", sb::RowCount(list), kSongs);
    return 1;
  }
  std::vector<double> times;
  for (int row = 0; row < kSongs; ++row) {
    const Round r = PlayOnce(window, row, cache);
    if (!r.failure.empty()) {
      std::printf("transcoded_play_start_ms: failed: %s\n", sbtest::Utf8(r.failure).c_str());
      return 1;
    }
    std::fprintf(stderr, "row %d: %.1f ms, %.0f Hz\n", row, r.ms, r.hz);
    times.push_back(r.ms);
  }
  std::printf("transcoded_play_start_ms: %.1f ms\n", sbtest::Median(times));
  return 0;
}

}  // namespace

int main() {
  const std::wstring root = sbtest::EnvW(L"SONGBOX_PLAYSTART_ROOT");
  const std::wstring cache = sbtest::UnixToWindowsPath(sbtest::EnvW(L"SONGBOX_PLAYSTART_CACHE"));
  if (root.empty() || cache.empty()) {
    std::fprintf(stderr, "run through ./songbox bench (SONGBOX_PLAYSTART_ROOT, SONGBOX_PLAYSTART_CACHE)\n");
    return 1;
  }
  SetEnvironmentVariableW(L"SONGBOX_ROOT", root.c_str());
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  int rc = 1;
  {
    sb::MainWindow window;
    if (window.Load()) {
      rc = Run(window, cache);
      window.Unload();
    }
  }
  OleUninitialize();
  return rc;
}
