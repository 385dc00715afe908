// The player's own window: play/pause and stop buttons, a seek bar that only
// reaches as far as the media has arrived, elapsed/total time and a volume bar.
// It only shows what it is told and reports what the user does.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/handles.h"
#include "platform/player/playback_event.h"
#include "platform/window_base.h"

namespace sb {


struct PlayerWindowEvents {
  std::function<void()> playPause;
  std::function<void()> stop;
  std::function<void(double seconds)> seek;
  std::function<void(int volume)> volume;
  std::function<void()> tick;  // every 250 ms while the timer runs
  std::function<void(WPARAM, LPARAM)> playbackEvent;
  std::function<void(int state)> raiseState;
};

class PlayerWindow : public WindowBase {
 public:
  PlayerWindow() = default;

  bool Create(HWND parent, const RECT& rect, int id, int volume, PlayerWindowEvents events);
  HWND playButton() const { return play_; }
  HWND stopButton() const { return stop_; }
  HWND seekBar() const { return seek_; }
  HWND volumeBar() const { return volume_; }
  HWND timeLabel() const { return time_; }

  void ShowPlaying(bool playing);  // the play button reads "暂停" while playing
  // Elapsed, total (0: unknown) and how far the media has arrived, in seconds.
  void ShowTimes(double elapsed, double total, double arrived);
  void SetVolume(int volume);
  void StartTicks();
  void StopTicks();

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnCreate();
  void OnSize(int width, int height);
  void OnDpiChanged();
  void RemakeFont(int dpi);
  int TextWidth(HWND control, const wchar_t* text) const;
  void OnCommand(WPARAM wp, LPARAM lp);
  void OnHScroll(HWND bar, int code);
  void OnPaint();
  void Paint(HDC dc);
  LRESULT OnCtlColor(HDC dc);

  HWND play_ = nullptr, stop_ = nullptr, seek_ = nullptr, volume_ = nullptr;
  HWND time_ = nullptr, volumeLabel_ = nullptr;
  UniqueFont font_;
  int fontDpi_ = 0;
  UniqueBrush background_;
  PlayerWindowEvents events_;
  int initialVolume_ = 50;
  double total_ = 0;      // seconds the seek bar spans
  double arrived_ = 0;
  bool dragging_ = false;
  bool ticking_ = false;
};

}  // namespace sb
