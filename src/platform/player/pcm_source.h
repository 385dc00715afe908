// Turns the bytes of a media that have arrived so far into PCM, piece by
// piece: MP3 through ACM, PCM WAV as it is. Offsets are absolute; the bytes
// handed in may start later than the media does, but never after NeededFrom().
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/player/acm_decoder.h"
#include "platform/player/mp3_frame.h"
#include "platform/player/stream_view.h"
#include "platform/player/wav_header.h"

namespace sb {

class PcmSource {
 public:
  virtual ~PcmSource() = default;
  virtual const WAVEFORMATEX& format() const = 0;
  // Takes note of newly arrived bytes.
  virtual void Update(const StreamView& bytes, bool complete) = 0;
  // Appends about `seconds` of PCM from what has arrived; false when nothing is ready.
  virtual bool Decode(const StreamView& bytes, double seconds, std::vector<uint8_t>& out) = 0;
  virtual double CursorSeconds() const = 0;   // where Decode continues
  virtual double ArrivedSeconds() const = 0;  // decodable so far
  virtual double DurationSeconds(int64_t contentLength) const = 0;  // 0: unknown
  virtual bool Exhausted() const = 0;  // everything up to the end of a complete stream is decoded
  // Moves to `seconds`, but not before the byte at `keptFrom` nor past what has arrived.
  virtual bool SeekTo(double seconds, size_t keptFrom) = 0;
  // The oldest byte Update and Decode will read from here on.
  virtual size_t NeededFrom() const = 0;
};

// Looks at the first bytes of a media; NeedMore until it can tell.
class MediaProbe {
 public:
  enum class Verdict { NeedMore, Audio, NotAudio };
  // Both want the media from its first byte on.
  Verdict Update(const StreamView& bytes, bool complete);
  // After Audio: the source, opened (null if the codec refused the format).
  std::unique_ptr<PcmSource> TakeSource(const StreamView& bytes, bool complete);

 private:
  Mp3FrameIndex mp3_;
  WavInfo wav_;
  bool isWav_ = false;
};

}  // namespace sb
