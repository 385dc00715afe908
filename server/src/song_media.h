// A song's media as the routes and the export serve it: an MP3 file byte for
// byte, any other song as its transcode (title, singer and cover from the
// index and the cover route's picture).
//
// Threading: as Library and Transcoder (any thread).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "library.h"
#include "media_source.h"
#include "transcoder.h"

namespace songbox_server {

// The song whose transcode is served at "/media/<address>" (address:
// MediaAddress of an indexed song that is not MP3, not percent-encoded);
// nullopt when there is no such song.
std::optional<TranscodeInput> TranscodedSong(Library& library, const std::string& address);

TranscodeInput TranscodeInputOf(Library& library, const SongRecord& song);

// The songs served as transcodes among the `count` newest of the page,
// newest first: what the background fill makes ahead of their first play.
std::vector<TranscodeInput> NewestTranscoded(Library& library, size_t count);

}  // namespace songbox_server
