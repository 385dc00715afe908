// Whether ffmpeg can decode a file's audio (it opens as a container with an
// audio stream whose decoder opens), asked of one songbox-codec child that is
// started at the first question and ends with the AudioProbe. A file that
// crashes the child, or keeps it busy past a bound, counts as not decodable;
// the next question starts a fresh child.
//
// Threading: one owner (a scan), one thread at a time.
#pragma once

#include <optional>
#include <string>

#include "codec_process.h"

namespace songbox_server {

class AudioProbe {
 public:
  bool Decodable(const std::string& file);

 private:
  std::optional<CodecProcess> child_;
};

}  // namespace songbox_server
