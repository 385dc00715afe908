// RIFF/WAVE headers of PCM files. Window-free so it also builds natively.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sb {

struct WavInfo {
  enum class Verdict { NeedMore, Pcm, NotWav };
  Verdict verdict = Verdict::NeedMore;
  uint16_t channels = 0;
  uint32_t sampleRate = 0;
  uint16_t bitsPerSample = 0;
  uint16_t blockAlign = 0;
  size_t dataOffset = 0;
  uint64_t dataBytes = 0;  // as declared; streams may end earlier
};

bool LooksLikeRiff(const uint8_t* data, size_t size);
// Walks the chunks up to "data". Only 8/16-bit integer PCM, 1 or 2 channels.
WavInfo ParseWav(const uint8_t* data, size_t size, bool complete);

}  // namespace sb
