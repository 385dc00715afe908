// What the catalogue asks ffmpeg about a song file it indexes: whether its
// audio decodes (it opens as a container with an audio stream whose decoder
// opens; nothing is decoded), and the raw bytes of its container's title,
// singer, publisher and album artist where they are not valid UTF-8. APE
// items written by old taggers hold such bytes in a legacy code page; ffmpeg
// keeps them as they are, where TagLib drops them.
//
// Threads: any thread.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace songbox_codec {

struct Probed {
  bool decodable = false;
  // Which field (0 title, 1 singer, 2 publisher, 3 album artist), its bytes.
  std::vector<std::pair<int, std::string>> legacy;
};

Probed Probe(const std::string& file);

}  // namespace songbox_codec
