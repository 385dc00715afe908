// What ffmpeg finds in a song file: whether its audio decodes (it opens as a
// container with an audio stream whose decoder opens), and the raw bytes of
// title, singer, publisher and album artist where its container holds them in
// text that is not UTF-8 (old taggers' APE items), which TagLib drops.
//
// Asked of one songbox-codec child that is started at the first question and
// ends with the AudioProbe. A file that crashes the child, or keeps it busy
// past a bound, counts as not decodable; the next question starts a fresh
// child.
//
// Threading: one owner (a scan), one thread at a time.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "codec_process.h"

namespace songbox_server {

struct ProbedAudio {
  bool decodable = false;
  // Which field (0 title, 1 singer, 2 publisher, 3 album artist), its bytes.
  std::vector<std::pair<int, std::string>> legacy;
};

class AudioProbe {
 public:
  ProbedAudio Probe(const std::string& file);
  bool Decodable(const std::string& file) { return Probe(file).decodable; }

 private:
  std::optional<CodecProcess> child_;
};

// The child's answer line; nullopt when it is not one.
std::optional<ProbedAudio> ParseProbeAnswer(const std::string& line);

}  // namespace songbox_server
