// One indexed song: where it is, what its tags say, when it was first seen and
// how often it was played.
#pragma once

#include <cstdint>
#include <string>

namespace songbox_server {

struct SongTags {
  std::string title, artist, publisher, albumArtist;  // UTF-8, as tagged
  bool embeddedCover = false, embeddedLyrics = false;
};

struct SongRecord {
  long long id = 0;
  std::string path;  // relative to the library, '/'-separated, UTF-8 bytes as on disk
  std::uint64_t size = 0;
  std::int64_t mtimeNs = 0;
  std::uint64_t fingerprint = 0;
  std::string firstSeen;  // YYYY-MM-DD, local date
  SongTags tags;
  long long playsTotal = 0, playsToday = 0;
  std::string playsDay;  // the local date playsToday counts
};

}  // namespace songbox_server
