// The media player component WP1: a child window with its own controls that
// streams an address (http or a local file) and plays MP3 or WAV.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace sb {

struct MediaPlayerCreateArgs {
  HWND parent = nullptr;
  RECT rect{};  // pixels, in the parent's client coordinates
  int id = 0;
  int volume = 50;
  bool autoStart = true;
};

class MediaPlayer {
 public:
  MediaPlayer();
  ~MediaPlayer();  // stops playback, joins every thread
  MediaPlayer(const MediaPlayer&) = delete;
  MediaPlayer& operator=(const MediaPlayer&) = delete;

  bool Create(const MediaPlayerCreateArgs& args);
  HWND hwnd() const;

  // URL put: opens the address and, with auto-start, plays it; drops the previous media.
  void SetURL(const std::wstring& url);
  // URL get: the address last put, unchanged; "" before any.
  std::wstring URL() const;
  void Play();  // controls.play
  void Stop();  // controls.stop
  std::wstring Status() const;
  int Volume() const;
  void SetVolume(int volume);

  // Raised on the UI thread whenever the player's state changes.
  std::function<void(int newState)> StateChanged;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sb
