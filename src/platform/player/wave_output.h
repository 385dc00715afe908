// waveOut with a few queued buffers. The device signals an event when a
// buffer comes back; the engine thread waits on it, nothing runs in the
// driver's callback context.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/handles.h"

namespace sb {

class WaveOutput {
 public:
  static constexpr int kBuffers = 4;

  WaveOutput();
  ~WaveOutput();  // resets the device before the buffers go away
  WaveOutput(const WaveOutput&) = delete;
  WaveOutput& operator=(const WaveOutput&) = delete;

  MMRESULT Open(const WAVEFORMATEX& format, size_t bufferBytes);
  bool isOpen() const { return static_cast<bool>(device_); }
  // Open with exactly this PCM layout.
  bool Plays(const WAVEFORMATEX& format) const;
  HANDLE doneEvent() const { return done_.get(); }
  size_t bufferBytes() const { return bufferBytes_; }

  // A buffer that is not queued, or -1.
  int FreeBuffer() const;
  uint8_t* Data(int index) { return slots_[index].data.data(); }
  bool Write(int index, size_t bytes);
  int Queued() const;

  void Pause();
  void Restart();
  void Reset();  // every buffer comes back at once; the position restarts at 0
  uint64_t PlayedBytes() const;

 private:
  struct Slot {
    std::vector<uint8_t> data;
    WAVEHDR header{};
    bool prepared = false;
  };
  void Release();

  UniqueKernelHandle done_;
  UniqueWaveOut device_;
  std::array<Slot, kBuffers> slots_;
  size_t bufferBytes_ = 0;
  WAVEFORMATEX format_{};
};

}  // namespace sb
