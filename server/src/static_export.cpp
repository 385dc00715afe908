#include "static_export.h"

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

}  // namespace

size_t ExportSite(Library& library, const std::string& out) {
  const fs::path root(out);
  WriteFile(root / "index.html", *library.FrontPage());
  WriteFile(root / "community" / "index.html", library.Community());
  WriteFile(root / "forum" / "index.html", library.Forum());
  auto newest = library.Newest();
  for (const auto& [song, path] : newest) {
    const std::string id = std::to_string(song.sid);
    WriteFile(root / "wgns" / "url" / id, "media/" + PercentEncodePath(path));
    if (auto lyrics = library.Lyrics(song.sid)) WriteFile(root / "lyrics" / id, ToGb18030(*lyrics));
    if (auto cover = library.Cover(song.sid)) WriteFile(root / "cover" / id, *cover);
    CopyMedia(fs::path(library.root()) / path, root / "media" / path);
  }
  return newest.size();
}

}  // namespace songbox_server
