#include "static_export.h"

#include "song_media.h"

#include <filesystem>
#include <fstream>

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

// The transcode's bytes, read as a response would, into `to`.
void ExportTranscode(Transcoder& transcoder, const TranscodeInput& in, const fs::path& to) {
  std::error_code ec;
  const auto songTime = fs::last_write_time(in.file);
  if (fs::exists(to, ec) && fs::last_write_time(to, ec) == songTime) return;
  auto source = transcoder.Whole(in);
  if (!source) throw fs::filesystem_error("cannot transcode", in.file, std::make_error_code(std::errc::io_error));
  std::string bytes(source->Size(), '\0');
  for (std::uint64_t at = 0; at < bytes.size();) {
    long long got = source->ReadAt(at, bytes.data() + at, bytes.size() - at, [] {});
    if (got <= 0) throw fs::filesystem_error("cannot read the transcode of", in.file, std::make_error_code(std::errc::io_error));
    at += static_cast<std::uint64_t>(got);
  }
  WriteFile(to, bytes);
  fs::last_write_time(to, songTime);
}

}  // namespace

size_t ExportSite(Library& library, Transcoder& transcoder, const std::string& out) {
  const fs::path root(out);
  WriteFile(root / "index.html", *library.FrontPage());
  WriteFile(root / "community" / "index.html", library.Community());
  WriteFile(root / "forum" / "index.html", library.Forum());
  auto newest = library.Newest();
  for (const auto& [song, path] : newest) {
    const std::string id = std::to_string(song.sid);
    WriteFile(root / "wgns" / "url" / id, "media/" + PercentEncodePath(MediaAddress(path)));
    if (auto lyrics = library.Lyrics(song.sid)) WriteFile(root / "lyrics" / id, ToGb18030(*lyrics));
    if (auto cover = library.Cover(song.sid)) WriteFile(root / "cover" / id, *cover);
    if (ServedAsIs(path)) {
      CopyMedia(fs::path(library.root()) / path, root / "media" / path);
    } else if (auto record = library.SongAt(path)) {
      ExportTranscode(transcoder, TranscodeInputOf(library, *record), root / "media" / MediaAddress(path));
    }
  }
  return newest.size();
}

}  // namespace songbox_server
