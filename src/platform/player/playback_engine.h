// The engine thread of one media: waits for enough bytes, decodes them in
// blocks of about 100 ms and keeps the sound device's buffers queued. It
// reports state changes only by posting to the player window.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/handles.h"
#include "platform/player/playback_event.h"
#include "platform/player/stream_buffer.h"

namespace sb {

class PcmSource;
class StreamSource;
class WaveOutput;

struct EngineOptions {
  HWND notify = nullptr;
  WPARAM generation = 0;
  int volume = 50;
};

class PlaybackEngine {
 public:
  PlaybackEngine(EngineOptions options, std::shared_ptr<StreamBuffer> buffer, StreamSource* source);
  ~PlaybackEngine();  // stops and joins
  PlaybackEngine(const PlaybackEngine&) = delete;
  PlaybackEngine& operator=(const PlaybackEngine&) = delete;

  void Start();
  void Stop();
  void SetPaused(bool paused);
  void Seek(double seconds);
  void SetVolume(int volume) { volume_ = volume; }

  double PositionSeconds() const { return position_; }
  double DurationSeconds() const { return duration_; }
  double ArrivedSeconds() const { return arrived_; }
  double FirstBufferTickMs() const { return firstBufferMs_; }
  PositionSample Position() const;

 private:
  enum class Wait { Stop, Command, Device, Data, Timeout };
  void Run();
  Wait WaitFor(DWORD ms);
  bool Prepare();  // until a decoder and a device are open; false if it ended
  bool OpenOutput(const WAVEFORMATEX& format);
  void Play();
  bool FillBuffers();  // false once nothing more can be queued now
  void HandleCommands();
  void UpdateTimes();
  void Post(PlayerState state, PlayerError error = PlayerError::None);
  void ApplyVolume(uint8_t* pcm, size_t bytes) const;

  EngineOptions options_;
  std::shared_ptr<StreamBuffer> buffer_;
  StreamSource* source_;
  UniqueKernelHandle stopEvent_, commandEvent_;
  std::unique_ptr<PcmSource> pcm_;
  std::unique_ptr<WaveOutput> output_;
  std::vector<uint8_t> pending_;  // decoded, not yet handed to the device
  double base_ = 0;               // media seconds at the device's position 0
  PlayerState reported_ = PlayerState::Connecting;

  std::atomic<bool> paused_{false};
  std::atomic<bool> pausedApplied_{false};
  std::atomic<double> seekTo_{-1};
  std::atomic<int> volume_;
  std::atomic<double> position_{0}, duration_{0}, arrived_{0}, firstBufferMs_{0};
  mutable std::mutex sampleMutex_;
  PositionSample sample_;  // under sampleMutex_
  std::thread thread_;
};

}  // namespace sb
