// Whether ffmpeg can decode a file's audio: it opens as a container with an
// audio stream whose decoder opens. Nothing is decoded.
//
// Threads: any thread.
#pragma once

#include <string>

namespace songbox_codec {

bool Decodable(const std::string& file);

}  // namespace songbox_codec
