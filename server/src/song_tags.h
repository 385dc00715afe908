// What the catalogue reads from a song file, through TagLib: MP3 (ID3v2,
// ID3v1, APE), FLAC and Ogg (Vorbis comments, FLAC pictures), MP4 atoms,
// APE and WavPack (APE items), WMA (ASF attributes), WAV and AIFF (ID3v2).
// Text that carries no encoding of its own (see code_pages.h) is read in the
// code page the file's legacy fields are judged to be in, together.
//
// Threads: any thread; files are opened read-only, so reading them raises no
// write events for the library's watcher.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "code_pages.h"
#include "song_record.h"

namespace songbox_server {

// Everything one open of a song file gives.
struct SongFile {
  SongTags tags;
  std::optional<std::string> lyrics;   // UTF-8, when asked for and embedded
  std::optional<std::string> picture;  // the front cover preferred, when asked for and embedded
  // Fields of `tags` read from legacy 8-bit text: which (0 title, 1 artist,
  // 2 publisher, 3 album artist) and its raw bytes, and the page chosen.
  std::vector<std::pair<int, std::string>> legacy;
  CodePage page = CodePage::Latin1;
};

// Title, singer, publisher, lyrics and cover of `file` (any format above);
// nullopt when TagLib cannot read it as audio.
std::optional<SongFile> ReadSongFile(const std::string& file, bool withLyrics, bool withPicture);

// Decodes the legacy fields of `song` again from `page`.
void ApplyCodePage(SongFile& song, CodePage page);

// Takes in raw 8-bit fields found outside TagLib (which, bytes; `which` as in
// SongFile::legacy) for those TagLib left empty, and judges the file's code
// page again over all its legacy fields.
void AddLegacyFields(SongFile& song, const std::vector<std::pair<int, std::string>>& fields);

// Title, artist, publisher (label) and album artist, and whether the file
// embeds a picture or lyrics. nullopt when TagLib cannot read the file.
std::optional<SongTags> ReadSongTags(const std::string& file);

// The embedded lyrics as UTF-8; nullopt when there are none.
std::optional<std::string> ReadEmbeddedLyrics(const std::string& file);

// The embedded picture's bytes, the front cover preferred; nullopt when none.
std::optional<std::string> ReadEmbeddedPicture(const std::string& file);

}  // namespace songbox_server
