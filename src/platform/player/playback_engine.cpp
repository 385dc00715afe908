#include "platform/player/playback_engine.h"

#include <algorithm>
#include <cstring>

#include "platform/player/pcm_source.h"
#include "platform/player/stream_source.h"
#include "platform/player/wave_output.h"

namespace sb {
namespace {

constexpr double kBufferSeconds = 0.2;
// Playback starts (and resumes after running dry) once this much is waiting.
constexpr double kStartAheadSeconds = 0.3;
constexpr DWORD kTickMs = 250;

}  // namespace

PlaybackEngine::PlaybackEngine(EngineOptions options, std::shared_ptr<StreamBuffer> buffer, StreamSource* source)
    : options_(options),
      buffer_(std::move(buffer)),
      source_(source),
      stopEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      commandEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      volume_(options.volume) {}

PlaybackEngine::~PlaybackEngine() { Stop(); }

void PlaybackEngine::Start() {
  thread_ = std::thread([this] {
    try {
      Run();
    } catch (...) {
      output_.reset();
      Post(PlayerState::Failed, PlayerError::NotAudio);
    }
  });
}

void PlaybackEngine::Stop() {
  SetEvent(stopEvent_.get());
  if (thread_.joinable()) thread_.join();
}

void PlaybackEngine::SetPaused(bool paused) {
  paused_ = paused;
  SetEvent(commandEvent_.get());
}

void PlaybackEngine::Seek(double seconds) {
  seekTo_ = std::max(0.0, seconds);
  SetEvent(commandEvent_.get());
}

void PlaybackEngine::Post(PlayerState state, PlayerError error) {
  if (state == reported_ && error == PlayerError::None) return;
  reported_ = state;
  PostMessageW(options_.notify, kMsgPlaybackEvent, options_.generation, PackPlaybackEvent({state, error}));
}

PlaybackEngine::Wait PlaybackEngine::WaitFor(DWORD ms) {
  HANDLE handles[4] = {stopEvent_.get(), commandEvent_.get(), buffer_->ChangedEvent(), nullptr};
  DWORD count = 3;
  if (output_ && output_->isOpen()) handles[count++] = output_->doneEvent();
  switch (WaitForMultipleObjects(count, handles, FALSE, ms)) {
    case WAIT_OBJECT_0: return Wait::Stop;
    case WAIT_OBJECT_0 + 1: return Wait::Command;
    case WAIT_OBJECT_0 + 2: return Wait::Data;
    case WAIT_OBJECT_0 + 3: return Wait::Device;
    case WAIT_TIMEOUT: return Wait::Timeout;
    default: return Wait::Stop;
  }
}

void PlaybackEngine::Run() {
  if (waveOutGetNumDevs() == 0) {
    if (source_) source_->Cancel();
    Post(PlayerState::Failed, PlayerError::NoDevice);
    return;
  }
  // Most songs are 44.1 kHz stereo: the device opens for that while the
  // transfer connects, and is opened again only for a song that is not.
  WAVEFORMATEX common{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
  if (!OpenOutput(common)) output_.reset();
  if (Prepare()) Play();
  output_.reset();  // silence before the thread ends
}

bool PlaybackEngine::OpenOutput(const WAVEFORMATEX& f) {
  if (output_ && output_->Plays(f)) return true;
  size_t bytes = static_cast<size_t>(f.nAvgBytesPerSec * kBufferSeconds);
  bytes -= bytes % f.nBlockAlign;
  output_ = std::make_unique<WaveOutput>();
  return output_->Open(f, bytes) == MMSYSERR_NOERROR;
}

bool PlaybackEngine::Prepare() {
  MediaProbe probe;
  for (;;) {
    const StreamState s = buffer_->State();
    if (s.connected) {
      Post(PlayerState::Buffering);
      auto verdict = buffer_->WithData([&](const StreamView& v) { return probe.Update(v, s.finished); });
      // The start of the audio must lie within the window: no more comes while it is full.
      if (verdict == MediaProbe::Verdict::NeedMore && s.full) verdict = MediaProbe::Verdict::NotAudio;
      if (verdict == MediaProbe::Verdict::NotAudio) {
        if (source_) source_->Cancel();
        Post(PlayerState::Failed, PlayerError::NotAudio);
        return false;
      }
      if (verdict == MediaProbe::Verdict::Audio) {
        pcm_ = buffer_->WithData([&](const StreamView& v) { return probe.TakeSource(v, s.finished); });
        if (!pcm_) {
          if (source_) source_->Cancel();
          Post(PlayerState::Failed, PlayerError::NotAudio);
          return false;
        }
        if (!OpenOutput(pcm_->format())) {
          output_.reset();
          if (source_) source_->Cancel();
          Post(PlayerState::Failed, PlayerError::NoDevice);
          return false;
        }
        if (paused_) output_->Pause();
        pausedApplied_ = paused_.load();
        return true;
      }
    } else if (s.finished) {
      Post(PlayerState::Failed, s.error == PlayerError::None ? PlayerError::Unreachable : s.error);
      return false;
    }
    if (WaitFor(INFINITE) == Wait::Stop) return false;
  }
}

void PlaybackEngine::Play() {
  bool started = false;
  for (;;) {
    HandleCommands();
    const StreamState s = buffer_->State();
    buffer_->Read([&](const StreamView& v) {
      pcm_->Update(v, s.finished);
      return pcm_->NeededFrom();
    });
    const bool enoughAhead = s.finished || !pending_.empty() ||
                             pcm_->ArrivedSeconds() - pcm_->CursorSeconds() >= kStartAheadSeconds;
    if (output_->Queued() > 0 || enoughAhead) {
      if (FillBuffers()) started = true;
    }
    UpdateTimes();
    const int queued = output_->Queued();
    if (queued == 0 && pending_.empty() && pcm_->Exhausted()) {
      if (s.error == PlayerError::None) {
        Post(PlayerState::Ended);
      } else {
        Post(PlayerState::Failed, PlayerError::Interrupted);
      }
      return;
    }
    // Waiting for bytes, not a device that ran dry while the engine was late:
    // with the data at hand the next pass queues it again.
    if (queued == 0 && started && !paused_ && !enoughAhead) Post(PlayerState::Buffering);
    if (WaitFor(kTickMs) == Wait::Stop) return;
  }
}

bool PlaybackEngine::FillBuffers() {
  bool wrote = false;
  for (int slot = output_->FreeBuffer(); slot >= 0; slot = output_->FreeBuffer()) {
    const size_t want = output_->bufferBytes();
    while (pending_.size() < want) {
      bool decoded = false;
      buffer_->Read([&](const StreamView& v) {
        decoded = pcm_->Decode(v, kBufferSeconds, pending_);
        return pcm_->NeededFrom();
      });
      if (!decoded) break;
    }
    if (pending_.empty()) break;
    const size_t bytes = std::min(want, pending_.size());
    // Short buffers only at the very end or to keep the device from running dry.
    if (bytes < want && !pcm_->Exhausted() && output_->Queued() > 0) break;
    std::memcpy(output_->Data(slot), pending_.data(), bytes);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(bytes));
    ApplyVolume(output_->Data(slot), bytes);
    if (firstBufferMs_ == 0) firstBufferMs_ = PlayerClockMs();
    if (!output_->Write(slot, bytes)) break;
    wrote = true;
    if (!paused_) Post(PlayerState::Playing);
  }
  return wrote;
}

void PlaybackEngine::HandleCommands() {
  const bool paused = paused_;
  if (paused != pausedApplied_) {
    if (paused) {
      output_->Pause();
    } else {
      output_->Restart();
    }
    pausedApplied_ = paused;
  }
  const double target = seekTo_.exchange(-1);
  if (target < 0) return;
  output_->Reset();
  if (paused) output_->Pause();
  pending_.clear();
  // Only within what is kept: the oldest bytes of a long media may be gone.
  buffer_->Read([&](const StreamView& v) {
    pcm_->SeekTo(std::min(target, pcm_->ArrivedSeconds()), v.begin);
    return pcm_->NeededFrom();
  });
  base_ = pcm_->CursorSeconds();
}

void PlaybackEngine::UpdateTimes() {
  const WAVEFORMATEX& f = pcm_->format();
  const double duration = pcm_->DurationSeconds(buffer_->State().contentLength);
  double position = base_ + static_cast<double>(output_->PlayedBytes()) / f.nAvgBytesPerSec;
  if (duration > 0) position = std::min(position, duration);
  position_ = position;
  {
    std::lock_guard<std::mutex> lock(sampleMutex_);
    sample_ = {position, PlayerClockMs(), !paused_ && output_->Queued() > 0};
  }
  duration_ = duration;
  arrived_ = pcm_->ArrivedSeconds();
}

PositionSample PlaybackEngine::Position() const {
  std::lock_guard<std::mutex> lock(sampleMutex_);
  return sample_;
}

void PlaybackEngine::ApplyVolume(uint8_t* pcm, size_t bytes) const {
  const int volume = volume_;
  if (volume >= 100) return;
  if (pcm_->format().wBitsPerSample == 16) {
    for (size_t i = 0; i + 1 < bytes; i += 2) {
      int16_t sample;
      std::memcpy(&sample, pcm + i, 2);
      sample = static_cast<int16_t>(sample * volume / 100);
      std::memcpy(pcm + i, &sample, 2);
    }
  } else {
    for (size_t i = 0; i < bytes; ++i) pcm[i] = static_cast<uint8_t>(128 + (pcm[i] - 128) * volume / 100);
  }
}

}  // namespace sb
