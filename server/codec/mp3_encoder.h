// One song decoded by ffmpeg and encoded by libmp3lame into exactly Frames()
// constant-size frames (see mp3_format.h). The frame count comes from the
// source's duration; audio beyond it is cut, audio short of it (a wrong
// duration, a decode error midway) is made up with encoded silence. No
// Xing/LAME header frame is written.
//
// Threading: Open on any thread; Run once, on one thread; nothing is shared.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "mp3_format.h"

namespace songbox_codec {

class Mp3Encoder {
 public:
  // Where the bytes go; false stops the encoding.
  using Write = std::function<bool(const char*, std::size_t)>;

  // Opens and probes the source; nullptr when ffmpeg finds no audio stream in
  // it or its duration is unknown or beyond kMp3MaxSeconds.
  static std::unique_ptr<Mp3Encoder> Open(const std::string& file);
  ~Mp3Encoder();

  std::uint64_t Frames() const { return frames_; }

  // Writes all Frames() * kMp3FrameBytes bytes; false when a write failed.
  bool Run(const Write& write);

 private:
  struct Codec;
  Mp3Encoder() = default;
  std::unique_ptr<Codec> codec_;
  std::uint64_t frames_ = 0;
};

}  // namespace songbox_codec
