// What the catalogue reads from an MP3 file, through TagLib.
#pragma once

#include <optional>
#include <string>

#include "song_record.h"

namespace songbox_server {

// Title, artist, publisher (label) and album artist, and whether the file
// embeds a picture or unsynchronised lyrics. nullopt when TagLib cannot open
// the file as MPEG audio.
std::optional<SongTags> ReadSongTags(const std::string& file);

// The first unsynchronised-lyrics frame as UTF-8; nullopt when there is none.
std::optional<std::string> ReadEmbeddedLyrics(const std::string& file);

// The embedded picture's bytes, the front cover preferred; nullopt when none.
std::optional<std::string> ReadEmbeddedPicture(const std::string& file);

}  // namespace songbox_server
