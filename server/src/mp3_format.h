// The MP3 every other format is served as, known to the server and to the
// songbox-codec program that makes it.
//
// 256 kbit/s CBR at 48 kHz stereo: there every MPEG-1 Layer III frame is
// 144 * 256000 / 48000 = 768 bytes with no padding slot, so a transcode's size
// is fixed by its frame count before the first byte is made.
//
// Threading: constants and a pure function.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace songbox_server {

constexpr int kMp3SampleRate = 48000;
constexpr int kMp3BitRate = 256000;
constexpr int kMp3FrameSamples = 1152;
constexpr std::uint64_t kMp3FrameBytes = 144ULL * kMp3BitRate / kMp3SampleRate;

// Longer sources are refused: a damaged header could otherwise announce days
// of audio, made up with silence.
constexpr double kMp3MaxSeconds = 12 * 3600;

// Frames that hold `seconds` of audio and the encoder's delay and tail: two
// frames more than the samples fill, as the encoder's delay (576 samples) and
// the decoder's (529) push the last samples into them.
inline std::uint64_t Mp3FramesFor(double seconds) {
  auto samples = static_cast<std::uint64_t>(std::ceil(std::max(seconds, 0.0) * kMp3SampleRate));
  return (samples + kMp3FrameSamples - 1) / kMp3FrameSamples + 2;
}

}  // namespace songbox_server
