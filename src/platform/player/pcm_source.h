// Turns the bytes of a media that have arrived so far into PCM, piece by
// piece: MP3 through ACM, PCM WAV as it is.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/player/acm_decoder.h"
#include "platform/player/mp3_frame.h"
#include "platform/player/wav_header.h"

namespace sb {

class PcmSource {
 public:
  virtual ~PcmSource() = default;
  virtual const WAVEFORMATEX& format() const = 0;
  // Takes note of newly arrived bytes (the whole buffer so far).
  virtual void Update(const uint8_t* data, size_t size, bool complete) = 0;
  // Appends about `seconds` of PCM from what has arrived; false when nothing is ready.
  virtual bool Decode(const uint8_t* data, size_t size, double seconds, std::vector<uint8_t>& out) = 0;
  virtual double CursorSeconds() const = 0;   // where Decode continues
  virtual double ArrivedSeconds() const = 0;  // decodable so far
  virtual double DurationSeconds(int64_t contentLength) const = 0;  // 0: unknown
  virtual bool Exhausted() const = 0;  // everything up to the end of a complete stream is decoded
  virtual bool SeekTo(double seconds) = 0;
};

// Looks at the first bytes of a media; NeedMore until it can tell.
class MediaProbe {
 public:
  enum class Verdict { NeedMore, Audio, NotAudio };
  Verdict Update(const uint8_t* data, size_t size, bool complete);
  // After Audio: the source, opened (null if the codec refused the format).
  std::unique_ptr<PcmSource> TakeSource(const uint8_t* data, size_t size, bool complete);

 private:
  Mp3FrameIndex mp3_;
  WavInfo wav_;
  bool isWav_ = false;
};

}  // namespace sb
