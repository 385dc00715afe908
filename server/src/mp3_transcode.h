// One song in another format made into an MP3 with a size fixed before the
// first byte: an ID3v2 tag (title, singer, cover) of known length, then
// exactly `frames` constant-size frames (see mp3_format.h).
//
// The frames come from a songbox-codec child (ffmpeg's decoders and
// libmp3lame), which says the frame count before the first frame. A child that
// dies before its last frame is made up for with frames of digital silence,
// so every byte promised is still delivered; such a transcode ends as Cut.
//
// Threading: Open on any thread; Run once, on one thread; nothing is shared.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "codec_process.h"
#include "mp3_format.h"

namespace songbox_server {

struct Mp3Tags {
  std::string title, artist;  // UTF-8; empty: no frame
  std::string cover;          // JPEG bytes; empty: no picture
};

// The ID3v2.4 tag the transcode starts with.
std::string Id3v2Bytes(const Mp3Tags& tags);

// An MPEG-1 Layer III frame of the served format that decodes to silence: no
// bits for any granule, so it leans on no other frame.
std::string Mp3SilentFrame();

class Mp3Transcode {
 public:
  // Cut: every byte was written, but the child stopped early and the rest is
  // silence; such a transcode is served but not kept.
  enum class End { Done, Cut, Cancelled, Failed };
  // Where the bytes go; false stops the transcode as failed.
  using Write = std::function<bool(const char*, std::size_t)>;

  // Starts the child on the source (opened here, so the file may change or go
  // after this) and waits for its frame count; nullptr when ffmpeg finds no
  // audio stream in it or its duration is unknown or beyond kMp3MaxSeconds.
  static std::unique_ptr<Mp3Transcode> Open(const std::string& file, const Mp3Tags& tags);
  ~Mp3Transcode();

  std::uint64_t Size() const { return tag_.size() + frames_ * kMp3FrameBytes; }
  std::uint64_t Frames() const { return frames_; }

  // Writes all Size() bytes, checking `cancel` at least every 100 ms.
  End Run(const Write& write, const std::atomic<bool>& cancel);

 private:
  Mp3Transcode(CodecProcess child, std::string tag, std::uint64_t frames);
  CodecProcess child_;
  std::string tag_;
  std::uint64_t frames_ = 0;
};

}  // namespace songbox_server
