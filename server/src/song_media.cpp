#include "song_media.h"

namespace songbox_server {

std::optional<TranscodeInput> TranscodedSong(Library& library, const std::string& address) {
  const std::string suffix = ".mp3";
  if (address.size() <= suffix.size() || address.compare(address.size() - suffix.size(), suffix.size(), suffix) != 0)
    return std::nullopt;
  std::string path = address.substr(0, address.size() - suffix.size());
  if (ServedAsIs(path)) return std::nullopt;
  auto song = library.SongAt(path);
  if (!song) return std::nullopt;
  return TranscodeInputOf(library, *song);
}


TranscodeInput TranscodeInputOf(Library& library, const SongRecord& song) {
  TranscodeInput in;
  in.file = library.root() + "/" + song.path;
  in.relativePath = song.path;
  in.size = song.size;
  in.mtimeNs = song.mtimeNs;
  in.fingerprint = song.fingerprint;
  const long long id = song.id;
  Mp3Tags tags{song.tags.title, song.tags.artist, ""};
  in.tags = [&library, id, tags]() mutable {
    if (auto cover = library.Cover(id)) tags.cover = *cover;
    return tags;
  };
  return in;
}

std::vector<TranscodeInput> NewestTranscoded(Library& library, size_t count) {
  std::vector<TranscodeInput> songs;
  auto newest = library.Newest();
  if (newest.size() > count) newest.resize(count);
  for (const auto& [page, path] : newest) {
    if (ServedAsIs(path)) continue;
    if (auto song = library.SongAt(path)) songs.push_back(TranscodeInputOf(library, *song));
  }
  return songs;
}

}  // namespace songbox_server
