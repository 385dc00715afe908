#include "platform/player/playback_session.h"

#include "platform/player/playback_engine.h"
#include "platform/player/stream_source.h"

namespace sb {

PlaybackSession::PlaybackSession(SessionOptions options) : options_(std::move(options)) {
  if (options_.arrived) {
    buffer_ = options_.arrived;
  } else {
    buffer_ = std::make_shared<StreamBuffer>(options_.windowBytes);
    source_ = std::make_unique<StreamSource>(options_.address, buffer_, options_.stallTimeoutMs);
  }
  EngineOptions engine;
  engine.notify = options_.notify;
  engine.generation = options_.generation;
  engine.volume = options_.volume;
  engine_ = std::make_unique<PlaybackEngine>(engine, buffer_, source_.get());
}

PlaybackSession::~PlaybackSession() {
  if (source_) source_->Cancel();
  engine_.reset();
  source_.reset();
}

void PlaybackSession::Start() {
  if (source_) source_->Start();
  engine_->Start();
}

void PlaybackSession::Pause() { engine_->SetPaused(true); }
void PlaybackSession::Resume() { engine_->SetPaused(false); }
void PlaybackSession::Seek(double seconds) { engine_->Seek(seconds); }
void PlaybackSession::SetVolume(int volume) { engine_->SetVolume(volume); }
double PlaybackSession::PositionSeconds() const { return engine_->PositionSeconds(); }
PositionSample PlaybackSession::Position() const { return engine_->Position(); }
double PlaybackSession::DurationSeconds() const { return engine_->DurationSeconds(); }
double PlaybackSession::ArrivedSeconds() const { return engine_->ArrivedSeconds(); }
double PlaybackSession::FirstBufferTickMs() const { return engine_->FirstBufferTickMs(); }

std::shared_ptr<StreamBuffer> PlaybackSession::CompleteMedia() const {
  const StreamState s = buffer_->State();
  // A media longer than the window has lost its start: a replay fetches it again.
  return s.finished && s.error == PlayerError::None && s.begin == 0 ? buffer_ : nullptr;
}

}  // namespace sb
