// One song in another format made into an MP3 by ffmpeg's libmp3lame, with a
// size fixed before the first byte: an ID3v2 tag (title, singer, cover) of
// known length, then exactly `frames` constant-size frames.
//
// The output is 256 kbit/s CBR at 48 kHz stereo: there every MPEG-1 Layer III
// frame is 144 * 256000 / 48000 = 768 bytes with no padding slot, so the size
// is tag + frames * 768. The frame count comes from the source's duration;
// audio beyond it is cut, audio short of it (a wrong duration, a decode error
// midway) is made up with encoded silence. No Xing/LAME header frame is written.
//
// Threading: Open on any thread; Run once, on one thread; nothing is shared.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace songbox_server {

struct Mp3Tags {
  std::string title, artist;  // UTF-8; empty: no frame
  std::string cover;          // JPEG bytes; empty: no picture
};

constexpr int kMp3SampleRate = 48000;
constexpr int kMp3BitRate = 256000;
constexpr int kMp3FrameSamples = 1152;
constexpr std::uint64_t kMp3FrameBytes = 144ULL * kMp3BitRate / kMp3SampleRate;

// The ID3v2.4 tag the transcode starts with.
std::string Id3v2Bytes(const Mp3Tags& tags);

// Longer sources are refused: a damaged header could otherwise announce days
// of audio, made up with silence.
constexpr double kMp3MaxSeconds = 12 * 3600;

// Frames that hold `seconds` of audio and the encoder's delay and tail.
std::uint64_t Mp3FramesFor(double seconds);

class Mp3Transcode {
 public:
  enum class End { Done, Cancelled, Failed };
  // Where the bytes go; false stops the transcode as failed.
  using Write = std::function<bool(const char*, std::size_t)>;

  // Opens and probes the source (the descriptor stays open, so the file may
  // change or go after this); nullptr when ffmpeg finds no audio stream in it
  // or its duration is unknown or beyond kMp3MaxSeconds.
  static std::unique_ptr<Mp3Transcode> Open(const std::string& file, const Mp3Tags& tags);
  ~Mp3Transcode();

  std::uint64_t Size() const { return tag_.size() + frames_ * kMp3FrameBytes; }
  std::uint64_t Frames() const { return frames_; }

  // Writes all Size() bytes, checking `cancel` between frames.
  End Run(const Write& write, const std::atomic<bool>& cancel);

 private:
  struct Codec;
  Mp3Transcode() = default;
  std::unique_ptr<Codec> codec_;
  std::string tag_;
  std::uint64_t frames_ = 0;
};

}  // namespace songbox_server
