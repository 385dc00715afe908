#include "platform/player/stream_buffer.h"

namespace sb {

StreamBuffer::StreamBuffer() : changed_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

void StreamBuffer::SetConnected(int64_t contentLength) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    state_.connected = true;
    state_.contentLength = contentLength;
    state_.lastArrivalMs = PlayerClockMs();
    if (contentLength > 0 && contentLength < (int64_t{1} << 30)) data_.reserve(static_cast<size_t>(contentLength));
  }
  SetEvent(changed_.get());
}

void StreamBuffer::Append(const uint8_t* bytes, size_t count) {
  if (count == 0) return;
  {
    std::lock_guard<std::mutex> lock(mu_);
    data_.insert(data_.end(), bytes, bytes + count);
    state_.size = data_.size();
    state_.lastArrivalMs = PlayerClockMs();
  }
  SetEvent(changed_.get());
}

void StreamBuffer::Finish(PlayerError error) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    state_.finished = true;
    state_.error = error;
  }
  SetEvent(changed_.get());
}

StreamState StreamBuffer::State() const {
  std::lock_guard<std::mutex> lock(mu_);
  return state_;
}

}  // namespace sb
