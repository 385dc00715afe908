#include "platform/player/stream_buffer.h"

#include <algorithm>

namespace sb {

// At least 64 KB, so that a step dropped or appended at once is well over
// the largest MP3 frame and the reader can always move on.
StreamBuffer::StreamBuffer(size_t windowBytes)
    : window_(std::max<size_t>(windowBytes, 64 * 1024)),
      step_(window_ / 8),
      changed_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

void StreamBuffer::SetConnected(int64_t contentLength) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    state_.connected = true;
    state_.contentLength = contentLength;
    state_.lastArrivalMs = PlayerClockMs();
    if (contentLength > 0) data_.reserve(static_cast<size_t>(std::min<uint64_t>(contentLength, window_)));
  }
  SetEvent(changed_.get());
}

bool StreamBuffer::Append(const uint8_t* bytes, size_t count) {
  while (count > 0) {
    const size_t piece = std::min(count, step_);
    if (!AppendPiece(bytes, piece)) return false;
    bytes += piece;
    count -= piece;
  }
  return true;
}

bool StreamBuffer::AppendPiece(const uint8_t* bytes, size_t count) {
  {
    std::unique_lock<std::mutex> lock(mu_);
    while (!cancelled_ && data_.size() + count > window_) {
      if (DropBehindReader()) continue;
      if (!state_.full) {
        state_.full = true;
        ++state_.waits;
        SetEvent(changed_.get());  // a reader still looking for the start of the audio gives up
      }
      room_.wait(lock);
    }
    state_.full = false;
    if (cancelled_) return false;
    // Grown by hand so the storage never exceeds the window.
    if (data_.size() + count > data_.capacity()) {
      data_.reserve(std::min(window_, std::max(data_.capacity() * 2, data_.size() + count)));
    }
    data_.insert(data_.end(), bytes, bytes + count);
    state_.size += count;
    state_.lastArrivalMs = PlayerClockMs();
  }
  SetEvent(changed_.get());
  return true;
}

// Drops the bytes more than half a window behind the reader, once they are
// at least a step (so the rest is moved along rarely).
bool StreamBuffer::DropBehindReader() {
  const size_t keepFrom = std::min(readFrom_, state_.size);
  if (keepFrom < state_.begin + window_ / 2 + step_) return false;
  const size_t drop = keepFrom - window_ / 2 - state_.begin;
  data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(drop));
  state_.begin += drop;
  return true;
}

void StreamBuffer::Finish(PlayerError error) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    state_.finished = true;
    state_.error = error;
  }
  SetEvent(changed_.get());
}

void StreamBuffer::CancelWrites() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    cancelled_ = true;
  }
  room_.notify_all();
}

StreamState StreamBuffer::State() const {
  std::lock_guard<std::mutex> lock(mu_);
  return state_;
}

}  // namespace sb
