#include "static_export.h"

#include "song_media.h"

#include <filesystem>
#include <deque>
#include <fstream>
#include <vector>

namespace songbox_server {

namespace fs = std::filesystem;

namespace {

// Written beside the target and renamed over it, so a web server never hands
// out a half-written file.
void WriteFile(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  fs::path temp = file;
  temp += ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw fs::filesystem_error("cannot write", temp, std::make_error_code(std::errc::io_error));
  }
  fs::rename(temp, file);
}

void CopyMedia(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (fs::exists(to, ec) && fs::file_size(to, ec) == fs::file_size(from) &&
      fs::last_write_time(to, ec) == fs::last_write_time(from))
    return;
  fs::create_directories(to.parent_path());
  fs::path temp = to;
  temp += ".part";
  fs::copy_file(from, temp, fs::copy_options::overwrite_existing);
  fs::last_write_time(temp, fs::last_write_time(from));
  fs::rename(temp, to);
}

struct Transcoded {
  TranscodeInput in;
  fs::path to;
};

bool Stale(const Transcoded& t) {
  std::error_code ec;
  return !fs::exists(t.to, ec) || fs::last_write_time(t.to, ec) != fs::last_write_time(t.in.file, ec);
}

// The whole transcode, read as a response would, into `to` (beside it, then
// renamed), with the song's time. A song ffmpeg cannot read is left out.
void WriteTranscode(Transcoder& transcoder, const Transcoded& t) {
  auto source = transcoder.Whole(t.in);
  if (!source) return;
  fs::create_directories(t.to.parent_path());
  fs::path temp = t.to;
  temp += ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    std::vector<char> buffer(1 << 20);
    for (std::uint64_t at = 0; at < source->Size() && out;) {
      long long got = source->ReadAt(at, buffer.data(), buffer.size(), [] {});
      if (got <= 0)
        throw fs::filesystem_error("cannot read the transcode of", t.in.file, std::make_error_code(std::errc::io_error));
      out.write(buffer.data(), got);
      at += static_cast<std::uint64_t>(got);
    }
    out.close();
    if (!out) throw fs::filesystem_error("cannot write", temp, std::make_error_code(std::errc::io_error));
  }
  fs::last_write_time(temp, fs::last_write_time(t.in.file));
  fs::rename(temp, t.to);
}

// One song after another, while the next few (one per worker) are already
// being transcoded: their sources keep those jobs going.
void WriteTranscodes(Transcoder& transcoder, const std::vector<Transcoded>& songs) {
  std::deque<std::unique_ptr<MediaSource>> ahead;
  size_t started = 0;
  for (size_t i = 0; i < songs.size(); ++i) {
    while (started < songs.size() && started <= i + transcoder.workers())
      ahead.push_back(transcoder.Source(songs[started++].in));
    WriteTranscode(transcoder, songs[i]);
    ahead.pop_front();
  }
}

}  // namespace

size_t ExportSite(Library& library, Transcoder& transcoder, const std::string& out) {
  const fs::path root(out);
  WriteFile(root / "index.html", *library.FrontPage());
  WriteFile(root / "community" / "index.html", library.Community());
  WriteFile(root / "forum" / "index.html", library.Forum());
  auto newest = library.Newest();
  std::vector<Transcoded> transcoded;
  for (const auto& [song, path] : newest) {
    const std::string id = std::to_string(song.sid);
    WriteFile(root / "wgns" / "url" / id, "media/" + PercentEncodePath(MediaAddress(path)));
    if (auto lyrics = library.Lyrics(song.sid)) WriteFile(root / "lyrics" / id, ToGb18030(*lyrics));
    if (auto cover = library.Cover(song.sid)) WriteFile(root / "cover" / id, *cover);
    if (ServedAsIs(path)) {
      CopyMedia(fs::path(library.root()) / path, root / "media" / path);
    } else if (auto record = library.SongAt(path)) {
      Transcoded t{TranscodeInputOf(library, *record), root / "media" / MediaAddress(path)};
      if (Stale(t)) transcoded.push_back(std::move(t));
    }
  }
  WriteTranscodes(transcoder, transcoded);
  return newest.size();
}

}  // namespace songbox_server
