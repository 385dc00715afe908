// MP3 to 16-bit PCM through the system's ACM MPEG Layer-3 codec.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include <cstdint>
#include <vector>

#include "platform/handles.h"
#include "platform/player/mp3_frame.h"

namespace sb {

class AcmMp3Decoder {
 public:
  bool Open(const Mp3FrameHeader& format);
  // Starts afresh (after a seek) so no state of the old position leaks in.
  bool Reset();
  const WAVEFORMATEX& pcmFormat() const { return pcm_; }
  // Decodes whole frames; appends what the codec gives back.
  bool Decode(const uint8_t* frames, size_t bytes, std::vector<uint8_t>& out);

 private:
  MPEGLAYER3WAVEFORMAT mp3_{};
  WAVEFORMATEX pcm_{};
  UniqueAcmStream stream_;
};

}  // namespace sb
