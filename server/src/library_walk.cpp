#include "library_walk.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "song_tags.h"

namespace songbox_server {

namespace fs = std::filesystem;

namespace {

constexpr size_t kTriageEvery = 512;

// Audio files TagLib reads and ffmpeg decodes.
constexpr std::string_view kSongExtensions[] = {".mp3", ".flac", ".m4a", ".mp4", ".ogg", ".oga", ".opus",
                                                ".wav", ".aif", ".aiff", ".wv", ".ape", ".wma"};

bool EndsWith(const std::string& s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::uint64_t Fnv(std::uint64_t h, const char* p, size_t n) {
  for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 0x100000001b3ULL;
  return h;
}

// Size plus FNV-1a of the first and last 64 KiB: cheap, and unchanged for a
// file that only moved.
std::uint64_t Fingerprint(const std::string& file, std::uint64_t size) {
  constexpr std::uint64_t kPart = 64 * 1024;
  std::ifstream in(file, std::ios::binary);
  std::string buffer(static_cast<size_t>(std::min(size, 2 * kPart)), '\0');
  if (size <= 2 * kPart) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  } else {
    in.read(buffer.data(), kPart);
    in.seekg(static_cast<std::streamoff>(size - kPart));
    in.read(buffer.data() + kPart, kPart);
  }
  std::uint64_t h = Fnv(0xcbf29ce484222325ULL, reinterpret_cast<const char*>(&size), sizeof size);
  return Fnv(h, buffer.data(), buffer.size()) & 0x7FFFFFFFFFFFFFFFULL;
}

void AddFile(const std::string& root, Walk& walk, const std::string& full, const Triage& triage) {
  std::string rel = full.substr(root.size() + (root.back() == '/' ? 0 : 1));
  struct stat st {};
  if (::stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  std::string lower = Lower(rel);
  if (IsSongFile(lower)) {
    if (st.st_size > 0)
      walk.pending.push_back({rel, static_cast<std::uint64_t>(st.st_size),
                              static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec});
    if (walk.pending.size() >= kTriageEvery) triage(walk);
  } else if (EndsWith(lower, ".lrc") || EndsWith(lower, "/cover.jpg") || EndsWith(lower, "/folder.jpg") ||
             lower == "cover.jpg" || lower == "folder.jpg") {
    walk.sideFiles[lower] = rel;
  } else if (walk.ignored++ == 0) {
    walk.firstIgnored = rel;
  }
}

// One code page for the legacy-tagged songs of a folder that read as CJK: a
// short field alone may read better in another page than its album does.
void AgreeByFolder(std::vector<SongFile*>& songs, const std::vector<std::string>& folders) {
  std::unordered_map<std::string, std::vector<SongFile*>> byFolder;
  for (size_t i = 0; i < songs.size(); ++i)
    if (songs[i]->page != CodePage::Latin1) byFolder[folders[i]].push_back(songs[i]);
  for (auto& [folder, members] : byFolder) {
    std::vector<std::string> raws;
    bool differ = false;
    for (SongFile* s : members) {
      differ |= s->page != members.front()->page;
      for (const auto& field : s->legacy) raws.push_back(field.second);
    }
    if (!differ) continue;
    const CodePage page = ChooseCodePage(raws);
    if (page == CodePage::Latin1) continue;
    // A song that reads clearly better in its own page keeps it (a folder
    // of singles in several code pages).
    for (SongFile* s : members) {
      std::vector<std::string> own;
      for (const auto& field : s->legacy) own.push_back(field.second);
      const int fit = Fit(own, page);
      if (fit >= 0 && 2 * fit >= Fit(own, s->page)) ApplyCodePage(*s, page);
    }
  }
}

}  // namespace

bool IsSongFile(const std::string& lowerPath) {
  for (std::string_view ext : kSongExtensions)
    if (EndsWith(lowerPath, ext)) return true;
  return false;
}

std::string DropExtension(const std::string& path) {
  const size_t dot = path.rfind('.'), slash = path.rfind('/');
  return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path : path.substr(0, dot);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return s;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::int64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

bool Walk::InScope(const std::string& path) const {
  if (!partial) return true;
  std::string_view folder(path.data(), path.rfind('/') + 1);  // npos + 1 == 0: the top folder
  return std::find(scope.begin(), scope.end(), folder) != scope.end();
}

void ForEachEntry(const std::string& root, const std::function<void(const std::string&)>& folder,
                  const std::function<void(const std::string&)>& file) {
  // Links to folders are followed, but each real folder is entered once: a
  // link loop ("a/loop -> ..") or two links to one folder index it once.
  std::set<std::pair<dev_t, ino_t>> entered;
  struct stat st {};
  if (::stat(root.c_str(), &st) == 0) entered.emplace(st.st_dev, st.st_ino);
  std::error_code ec;
  fs::recursive_directory_iterator it(
      root, fs::directory_options::skip_permission_denied | fs::directory_options::follow_directory_symlink, ec);
  for (fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_directory(typeError)) {
      file(it->path().string());
    } else if (::stat(it->path().c_str(), &st) != 0 || !entered.emplace(st.st_dev, st.st_ino).second) {
      it.disable_recursion_pending();
    } else {
      folder(it->path().string());
    }
  }
}

Walk WalkTree(const std::string& root, const Triage& triage) {
  Walk walk;
  walk.folders.push_back(root);
  ForEachEntry(
      root, [&](const std::string& folder) { walk.folders.push_back(folder); },
      [&](const std::string& file) { AddFile(root, walk, file, triage); });
  triage(walk);
  return walk;
}

Walk WalkFolders(const std::string& root, const std::set<std::string>& folders, const Triage& triage) {
  Walk walk;
  walk.partial = true;
  for (const std::string& folder : folders) {
    if (folder != root && folder.compare(0, root.size() + 1, root + "/") != 0) continue;
    walk.folders.push_back(folder);
    walk.scope.push_back(folder == root ? "" : folder.substr(root.size() + 1) + "/");
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      std::error_code typeError;
      if (!it->is_directory(typeError)) AddFile(root, walk, it->path().string(), triage);
    }
  }
  triage(walk);
  return walk;
}

bool SettleClock::Settled(const FileEntry& e, std::int64_t nowNs, bool closed) {
  auto now = std::chrono::steady_clock::now();
  // A file untouched this long is complete, even if no one told us its writer closed it.
  if (closed || nowNs - e.mtimeNs >= std::chrono::nanoseconds(quiet_).count()) {
    unsettled_.erase(e.path);
    return true;
  }
  auto [it, fresh] = unsettled_.try_emplace(e.path, Seen{e.size, e.mtimeNs, now});
  if (!fresh && (it->second.size != e.size || it->second.mtimeNs != e.mtimeNs)) it->second = Seen{e.size, e.mtimeNs, now};
  if (now - it->second.at < quiet_) return false;
  unsettled_.erase(it);
  return true;
}

std::vector<SongRecord> ReadRecords(const std::string& root, const std::vector<FileEntry>& changed, AudioProbe& probe,
                                    std::vector<FileEntry>& leftOut) {
  std::vector<SongRecord> records;
  std::vector<SongFile> files;
  records.reserve(changed.size());
  files.reserve(changed.size());
  for (const FileEntry& e : changed) {
    const std::string full = root + "/" + e.path;
    const bool mp3 = EndsWith(Lower(e.path), ".mp3");
    std::optional<SongFile> file = ReadSongFile(full, false, false);
    // A broken MP3 is listed by its name; another format must really play.
    if (!mp3) {
      ProbedAudio probed = file ? probe.Probe(full) : ProbedAudio{};
      if (!probed.decodable) {
        leftOut.push_back(e);
        continue;
      }
      AddLegacyFields(*file, probed.legacy);
    }
    SongRecord r;
    r.path = e.path;
    r.size = e.size;
    r.mtimeNs = e.mtimeNs;
    r.fingerprint = Fingerprint(full, e.size);
    records.push_back(std::move(r));
    files.push_back(file ? std::move(*file) : SongFile{});
  }
  std::vector<SongFile*> songs;
  std::vector<std::string> folders;
  for (size_t i = 0; i < files.size(); ++i) {
    songs.push_back(&files[i]);
    folders.push_back(FolderOf(records[i].path));
  }
  AgreeByFolder(songs, folders);
  for (size_t i = 0; i < files.size(); ++i) records[i].tags = std::move(files[i].tags);
  return records;
}

}  // namespace songbox_server
