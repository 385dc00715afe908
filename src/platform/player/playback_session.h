// One opened media: the transfer thread that fills its buffer and the engine
// thread that decodes and feeds the sound device. Created and destroyed on the
// UI thread; the threads report only by posting kMsgPlaybackEvent.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "platform/handles.h"
#include "platform/media_player.h"
#include "platform/player/stream_buffer.h"

namespace sb {

struct SessionOptions {
  std::wstring address;  // already trimmed
  HWND notify = nullptr;
  WPARAM generation = 0;
  int volume = 50;
  int stallTimeoutMs = 20000;
  size_t windowBytes = limits::kMediaWindowBytes;
  std::shared_ptr<StreamBuffer> arrived;  // a complete earlier transfer to replay, or null
};

class PlaybackEngine;
class StreamSource;

class PlaybackSession {
 public:
  explicit PlaybackSession(SessionOptions options);
  ~PlaybackSession();  // silences the device, then joins both threads
  PlaybackSession(const PlaybackSession&) = delete;
  PlaybackSession& operator=(const PlaybackSession&) = delete;

  void Start();
  void Pause();
  void Resume();
  void Seek(double seconds);
  void SetVolume(int volume);

  double PositionSeconds() const;
  PositionSample Position() const;
  double DurationSeconds() const;
  double ArrivedSeconds() const;
  double FirstBufferTickMs() const;
  // The whole media when its transfer finished without error and all of it
  // is still held, else null.
  std::shared_ptr<StreamBuffer> CompleteMedia() const;

 private:
  SessionOptions options_;
  std::shared_ptr<StreamBuffer> buffer_;
  std::unique_ptr<StreamSource> source_;
  std::unique_ptr<PlaybackEngine> engine_;
};

}  // namespace sb
