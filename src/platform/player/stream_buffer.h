// The bytes of one media as they arrive, shared between the transfer thread
// (writer) and the playback engine (reader). Only grows; kept whole so the
// media can be replayed and sought within what has arrived.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/handles.h"
#include "platform/media_player.h"

namespace sb {

struct StreamState {
  size_t size = 0;
  bool connected = false;  // the address answered with a body
  bool finished = false;   // no more bytes will come
  PlayerError error = PlayerError::None;
  int64_t contentLength = -1;  // -1: unknown
  double lastArrivalMs = 0;    // PlayerClockMs of the latest bytes or of the connection
};

class StreamBuffer {
 public:
  StreamBuffer();
  StreamBuffer(const StreamBuffer&) = delete;
  StreamBuffer& operator=(const StreamBuffer&) = delete;

  void SetConnected(int64_t contentLength);
  void Append(const uint8_t* bytes, size_t count);
  void Finish(PlayerError error);

  StreamState State() const;
  // Runs f(data, size) with the bytes that have arrived, under the lock.
  template <typename F>
  auto WithData(F&& f) const {
    std::lock_guard<std::mutex> lock(mu_);
    return f(data_.data(), data_.size());
  }
  // Set (auto-reset) on every change, so a waiting reader wakes up.
  HANDLE ChangedEvent() const { return changed_.get(); }

 private:
  mutable std::mutex mu_;
  std::vector<uint8_t> data_;
  StreamState state_;
  UniqueKernelHandle changed_;
};

}  // namespace sb
