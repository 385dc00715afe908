// The media player component WP1: a child window with its own controls that
// streams an address (http or a local file) and plays MP3 or WAV.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/input_limits.h"

namespace sb {

struct MediaPlayerCreateArgs {
  HWND parent = nullptr;
  RECT rect{};  // pixels, in the parent's client coordinates
  int id = 0;
  int volume = 50;
  bool autoStart = true;
  // Bytes of one media held at once; a longer one is held as a window.
  size_t mediaWindowBytes = limits::kMediaWindowBytes;
};

// The value passed to StateChanged. Numbers follow the Windows Media Player
// play states where one exists.
enum class PlayerState : int {
  Undefined = 0,
  Stopped = 1,
  Paused = 2,
  Playing = 3,
  Buffering = 6,
  Connecting = 7,
  Ended = 8,
  Failed = 12,
};

// Why a media could not be played (PlayerState::Failed).
enum class PlayerError : int {
  None = 0,
  Unreachable,   // address cannot be opened, or the server answered with an error
  NotAudio,      // the body is not MP3 or PCM WAV
  NoDevice,      // no sound output device
  Interrupted,   // the transfer broke off or stalled before the end
};

// One reading of the sound device's position and when it was taken, for
// callers that follow the song closely between the player's updates.
struct PositionSample {
  double seconds = 0;
  double tickMs = 0;       // PlayerClockMs() of the reading; 0 before any
  bool advancing = false;  // the device was playing queued sound, not paused
};

class MediaPlayer {
 public:
  MediaPlayer();
  ~MediaPlayer();  // stops playback, joins every thread
  MediaPlayer(const MediaPlayer&) = delete;
  MediaPlayer& operator=(const MediaPlayer&) = delete;

  bool Create(const MediaPlayerCreateArgs& args);
  HWND hwnd() const;

  // Opens the address and, with auto-start, plays it; drops the previous media.
  void SetURL(const std::wstring& url);
  // The address last set, unchanged; "" before any.
  std::wstring URL() const;
  void Play();
  void Stop();
  void Pause();
  std::wstring Status() const;
  int Volume() const;
  void SetVolume(int volume);

  PlayerState State() const;
  PlayerError Error() const;
  double PositionSeconds() const;
  double DurationSeconds() const;  // 0 while unknown
  PositionSample Position() const;
  // Moves playback; clamped to the part of the media that has arrived.
  void Seek(double seconds);

  // GetTickCount64-style millisecond stamps (QueryPerformanceCounter based) of
  // the last SetURL/Play that opened a media and of that media's first
  // waveOutWrite; 0 while not reached. For latency measurements.
  double OpenTickMs() const;
  double FirstBufferTickMs() const;
  // A transfer that delivers nothing for this long while playback waits for it
  // is given up (PlayerError::Interrupted). Default 20000.
  void SetStallTimeoutMs(int ms);

  // Raised on the UI thread whenever the player's state changes.
  std::function<void(int newState)> StateChanged;
  // Raised on the UI thread by Seek (the user's or the program's), with the
  // position asked for, before the playback thread has moved there.
  std::function<void(double seconds)> Seeked;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Milliseconds on the clock used by OpenTickMs/FirstBufferTickMs.
double PlayerClockMs();

}  // namespace sb
