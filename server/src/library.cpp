#include "library.h"

#include <malloc.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>
#include <thread>

#include "cover_jpeg.h"
#include "song_tags.h"

namespace songbox_server {

namespace fs = std::filesystem;

namespace {

// A file untouched this long is complete, even if no one told us its writer closed it.
constexpr std::int64_t kSettledAgeNs = 2'000'000'000;
constexpr auto kSettledFor = std::chrono::seconds(2);
constexpr size_t kBatch = 2000;
constexpr size_t kTriageEvery = 512;
constexpr std::uintmax_t kMaxSideFile = 32u << 20;
constexpr char kUnknownSinger[] = "未知歌手";

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return s;
}

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

std::optional<std::string> ReadSmallFile(const std::string& file) {
  std::error_code ec;
  auto size = fs::file_size(file, ec);
  if (ec || size > kMaxSideFile) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::int64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

std::string Stem(const std::string& path) {
  std::string name = path.substr(path.rfind('/') + 1);
  return name.substr(0, name.size() - 4);  // drop ".mp3"
}

std::string Folder(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

}  // namespace

std::string LocalDate() { return LocalDateAt(std::time(nullptr)); }

std::string LocalDateAt(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

std::time_t NextLocalMidnight(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  local.tm_mday += 1;
  local.tm_hour = local.tm_min = local.tm_sec = 0;
  local.tm_isdst = -1;
  std::time_t next = std::mktime(&local);
  return next > when ? next : when + 1;
}

std::string PercentEncodePath(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// What a pass found. Files the index already has unchanged are only counted
// in `seen`, so a pass over a large library holds little.
struct Library::Walk {
  std::vector<FileEntry> pending;  // listed, not yet compared with the index
  std::vector<FileEntry> changed;  // new or changed files
  std::vector<long long> seen;     // ids of indexed songs still there
  std::unordered_map<std::string, std::string> sideFiles;  // lower-cased path -> path
  std::vector<std::string> folders;
  bool partial = false;            // only the folders of `scope` were walked
  std::vector<std::string> scope;  // relative folders ("" or "a/b/")
  size_t ignored = 0;
  std::string firstIgnored;
};

Library::Library(std::string root, const std::string& stateFile, size_t newest, Log log)
    : root_(std::move(root)), newest_(newest), log_(std::move(log)), db_(stateFile) {
  for (SongRecord& r : db_.LoadPresent()) {
    Song& song = songs_[r.id];
    song.record = std::move(r);
    byPath_.emplace(song.record.path, song.record.id);
  }
}

void Library::Triage(Walk& walk) {
  std::lock_guard lock(mutex_);
  for (FileEntry& e : walk.pending) {
    auto known = byPath_.find(e.path);
    if (known != byPath_.end()) {
      walk.seen.push_back(known->second);
      const SongRecord& r = songs_.at(known->second).record;
      if (r.size == e.size && r.mtimeNs == e.mtimeNs) continue;
    }
    walk.changed.push_back(std::move(e));
  }
  walk.pending.clear();
}

void Library::AddFile(Walk& walk, const std::string& full) {
  std::string rel = full.substr(root_.size() + (root_.back() == '/' ? 0 : 1));
  struct stat st {};
  if (::stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  std::string lower = Lower(rel);
  if (EndsWith(lower, ".mp3")) {
    if (st.st_size > 0)
      walk.pending.push_back({rel, static_cast<std::uint64_t>(st.st_size),
                              static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec});
    if (walk.pending.size() >= kTriageEvery) Triage(walk);
  } else if (EndsWith(lower, ".lrc") || EndsWith(lower, "/cover.jpg") || EndsWith(lower, "/folder.jpg") ||
             lower == "cover.jpg" || lower == "folder.jpg") {
    walk.sideFiles[lower] = rel;
  } else if (walk.ignored++ == 0) {
    walk.firstIgnored = rel;
  }
}

Library::Walk Library::WalkFolder() {
  Walk walk;
  walk.folders.push_back(root_);
  std::error_code ec;
  fs::recursive_directory_iterator it(root_, fs::directory_options::skip_permission_denied, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_directory(typeError)) {
      walk.folders.push_back(it->path().string());
    } else {
      AddFile(walk, it->path().string());
    }
  }
  Triage(walk);
  return walk;
}

Library::Walk Library::WalkFolders(const std::set<std::string>& folders) {
  Walk walk;
  walk.partial = true;
  for (const std::string& folder : folders) {
    if (folder != root_ && folder.compare(0, root_.size() + 1, root_ + "/") != 0) continue;
    walk.folders.push_back(folder);
    walk.scope.push_back(folder == root_ ? "" : folder.substr(root_.size() + 1) + "/");
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      std::error_code typeError;
      if (!it->is_directory(typeError)) AddFile(walk, it->path().string());
    }
  }
  Triage(walk);
  return walk;
}

bool Library::InScope(const Walk& walk, const std::string& path) {
  if (!walk.partial) return true;
  std::string_view folder(path.data(), path.rfind('/') + 1);  // npos + 1 == 0: the top folder
  return std::find(walk.scope.begin(), walk.scope.end(), folder) != walk.scope.end();
}

bool Library::Settled(const FileEntry& e, std::int64_t nowNs, bool closed) {
  auto now = std::chrono::steady_clock::now();
  if (closed || nowNs - e.mtimeNs >= kSettledAgeNs) {
    unsettled_.erase(e.path);
    return true;
  }
  auto [it, fresh] = unsettled_.try_emplace(e.path, Seen{e.size, e.mtimeNs, now});
  if (!fresh && (it->second.size != e.size || it->second.mtimeNs != e.mtimeNs)) it->second = Seen{e.size, e.mtimeNs, now};
  if (now - it->second.at < kSettledFor) return false;
  unsettled_.erase(it);
  return true;
}

std::vector<SongRecord> Library::ReadChanged(const std::vector<FileEntry>& changed) {
  std::vector<SongRecord> records;
  records.reserve(changed.size());
  for (const FileEntry& e : changed) {
    const std::string full = root_ + "/" + e.path;
    SongRecord r;
    r.path = e.path;
    r.size = e.size;
    r.mtimeNs = e.mtimeNs;
    r.tags = ReadSongTags(full).value_or(SongTags{});
    r.fingerprint = Fingerprint(full, e.size);
    records.push_back(std::move(r));
  }
  return records;
}

void Library::HoldForever(size_t stored) {
  log_("scan held after " + std::to_string(stored) + " songs");
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

ScanResult Library::Scan(const std::unordered_set<std::string>& closed, const std::set<std::string>* only) {
  FlushPlays();  // a song that moves takes its latest counts along
  Walk walk = only ? WalkFolders(*only) : WalkFolder();
  ScanResult result;
  if (!only && walk.ignored != ignoredReported_) {
    if (walk.ignored > ignoredReported_)
      log_("ignoring " + std::to_string(walk.ignored) + " files that are not .mp3 (such as " + walk.firstIgnored + ")");
    ignoredReported_ = walk.ignored;
  }
  // Oldest first, so that songs first seen together get ids in file-time order.
  std::vector<FileEntry> changed = std::move(walk.changed);
  std::sort(changed.begin(), changed.end(), [](const FileEntry& a, const FileEntry& b) { return a.mtimeNs < b.mtimeNs; });
  std::vector<long long> gone = Gone(walk);
  const std::int64_t now = NowNs();
  std::erase_if(changed, [&](const FileEntry& e) {
    bool wait = !Settled(e, now, closed.count(e.path) > 0);
    result.unsettled |= wait;
    return wait;
  });
  // Deleted files first, so that a file that moved finds its song among them.
  std::vector<SongRecord> records;
  StoreChanges(records, gone, result);
  ApplyChanges(records, gone);
  // In batches: a first scan of a large library holds few records at a time.
  for (size_t first = 0; first < changed.size(); first += kBatch) {
    std::vector<FileEntry> batch(changed.begin() + static_cast<long>(first),
                                 changed.begin() + static_cast<long>(std::min(changed.size(), first + kBatch)));
    records = ReadChanged(batch);
    StoreChanges(records, {}, result);
    ApplyChanges(records, {});
    if (holdScanAfter_ && result.added + result.changed >= holdScanAfter_) HoldForever(result.added + result.changed);
  }
  AssignSideFiles(walk);
  result.folders = std::move(walk.folders);
  walk = Walk{};
  changed = {};
  records = {};
  FrontPage();  // rebuilt here when stale, not by the next request
  ReleaseMemory();
  return result;
}

// Indexed songs of the walked folders that the walk did not find.
std::vector<long long> Library::Gone(Walk& walk) {
  std::sort(walk.seen.begin(), walk.seen.end());
  std::vector<long long> gone;
  std::lock_guard lock(mutex_);
  for (const auto& [id, song] : songs_)
    if (!std::binary_search(walk.seen.begin(), walk.seen.end(), id) && InScope(walk, song.record.path))
      gone.push_back(id);
  return gone;
}

// A pass's passing allocations and the database's page cache go back to the
// system: the index lives in memory and the database is only written.
void Library::ReleaseMemory() {
  {
    std::lock_guard lock(dbMutex_);
    db_.ReleaseMemory();
  }
  malloc_trim(0);
}

void Library::StoreChanges(std::vector<SongRecord>& records, const std::vector<long long>& gone, ScanResult& result) {
  const std::string today = LocalDate();
  std::lock_guard lock(dbMutex_);
  db_.Begin();
  for (long long id : gone) db_.MarkMissing(id);
  result.removed += gone.size();
  for (SongRecord& r : records) {
    long long known = 0;
    {
      std::lock_guard memory(mutex_);
      auto it = byPath_.find(r.path);
      if (it != byPath_.end()) known = it->second;
    }
    if (known) {
      r.id = known;
      db_.Update(r);
      ++result.changed;
    } else if (auto moved = db_.FindMissing(r.fingerprint, r.size)) {
      r.id = moved->id;
      r.firstSeen = moved->firstSeen;
      r.playsTotal = moved->playsTotal;
      r.playsToday = moved->playsToday;
      r.playsDay = moved->playsDay;
      db_.Update(r);
      ++result.added;
    } else {
      r.firstSeen = today;
      db_.Insert(r);
      ++result.added;
    }
  }
  db_.Commit();
}

void Library::ApplyChanges(const std::vector<SongRecord>& records, const std::vector<long long>& gone) {
  std::lock_guard lock(mutex_);
  for (long long id : gone) {
    auto it = songs_.find(id);
    if (it == songs_.end()) continue;
    auto owned = byPath_.find(it->second.record.path);
    if (owned != byPath_.end() && owned->second == id) byPath_.erase(owned);
    songs_.erase(it);
  }
  for (const SongRecord& r : records) {
    Song& song = songs_[r.id];
    // Counts made while the tags were read stay.
    long long total = std::max(song.record.playsTotal, r.playsTotal);
    auto owned = byPath_.find(song.record.path);
    if (owned != byPath_.end() && owned->second == r.id) byPath_.erase(owned);
    SongRecord kept = song.record;
    song.record = r;
    if (kept.id) {
      song.record.firstSeen = kept.firstSeen;
      song.record.playsToday = kept.playsToday;
      song.record.playsDay = kept.playsDay;
    }
    song.record.playsTotal = total;
    byPath_.erase(song.record.path);
    byPath_.emplace(song.record.path, r.id);
  }
  Changed();
}

void Library::AssignSideFiles(const Walk& walk) {
  std::lock_guard lock(mutex_);
  bool changed = false;
  for (auto& [id, song] : songs_) {
    const std::string& path = song.record.path;
    if (!InScope(walk, path)) continue;
    SideFiles side;
    if (!walk.sideFiles.empty()) {
      auto lrc = walk.sideFiles.find(Lower(path.substr(0, path.size() - 4) + ".lrc"));
      if (lrc != walk.sideFiles.end()) side.lrcFile = lrc->second;
      for (const char* name : {"cover.jpg", "folder.jpg"}) {
        auto cover = walk.sideFiles.find(Lower(Folder(path)) + name);
        if (cover != walk.sideFiles.end() && side.folderCover.empty()) side.folderCover = cover->second;
      }
    }
    // Only a real change makes the page stale.
    if (side == (song.side ? *song.side : SideFiles{})) continue;
    changed = true;
    song.side = side == SideFiles{} ? nullptr : std::make_shared<const SideFiles>(std::move(side));
  }
  if (changed) Changed();
}

void Library::RollDay(SongRecord& r, const std::string& today) const {
  if (r.playsDay != today) {
    r.playsDay = today;
    r.playsToday = 0;
  }
}

PageSong Library::PageRecord(const Song& song) const {
  const SongTags& t = song.record.tags;
  PageSong p;
  p.sid = song.record.id;
  p.title = PageValue(t.title);
  if (p.title.empty()) p.title = PageValue(Stem(song.record.path));
  p.singer = PageValue(t.artist);
  if (p.singer.empty()) p.singer = kUnknownSinger;
  p.publisher = PageValue(t.publisher);
  if (p.publisher.empty()) p.publisher = PageValue(t.albumArtist);
  p.file = SafeFileName(p.singer, p.title);
  p.date = song.record.firstSeen;
  p.hasCover = t.embeddedCover || !song.folderCover().empty();
  p.hasLyrics = t.embeddedLyrics || !song.lrcFile().empty();
  p.playsToday = song.record.playsDay == pageDay_ ? song.record.playsToday : 0;
  p.playsTotal = song.record.playsTotal;
  return p;
}

std::vector<std::pair<PageSong, std::string>> Library::Newest() {
  std::lock_guard lock(mutex_);
  pageDay_ = LocalDate();
  std::vector<std::pair<PageSong, std::string>> newest;
  for (auto it = songs_.rbegin(); it != songs_.rend() && newest.size() < newest_; ++it)
    newest.emplace_back(PageRecord(it->second), it->second.record.path);
  return newest;
}

std::shared_ptr<const std::string> Library::CurrentPage(std::time_t now) {
  std::lock_guard lock(pageMutex_);
  if (page_.bytes && page_.version == version_.load() && now < page_.until) return page_.bytes;
  return nullptr;
}

std::shared_ptr<const std::string> Library::FrontPage() {
  if (auto page = CurrentPage(std::time(nullptr))) return page;
  return BuildPage();
}

// Requests that find the snapshot stale wait for one build rather than each
// building their own.
std::shared_ptr<const std::string> Library::BuildPage() {
  std::lock_guard build(buildMutex_);
  const std::time_t now = std::time(nullptr);
  if (auto page = CurrentPage(now)) return page;
  std::vector<PageSong> newest;
  size_t size;
  PageSnapshot next;
  {
    std::lock_guard lock(mutex_);
    next.version = version_.load();
    pageDay_ = LocalDateAt(now);
    for (auto it = songs_.rbegin(); it != songs_.rend() && newest.size() < newest_; ++it)
      newest.push_back(PageRecord(it->second));
    size = songs_.size();
  }
  next.until = NextLocalMidnight(now);
  next.bytes = std::make_shared<const std::string>(ToGb18030(songbox_server::FrontPage(newest, size)));
  std::lock_guard lock(pageMutex_);
  page_ = next;
  return next.bytes;
}

std::optional<std::string> Library::PlayAddress(long long sid) {
  const std::string today = LocalDate();
  std::lock_guard lock(mutex_);
  auto it = songs_.find(sid);
  if (it == songs_.end()) return std::nullopt;
  SongRecord& r = it->second.record;
  RollDay(r, today);
  ++r.playsToday;
  ++r.playsTotal;
  ++pendingPlays_[sid];
  Changed();
  return "media/" + PercentEncodePath(r.path);
}

std::optional<std::string> Library::MediaFile(const std::string& relativePath) {
  std::lock_guard lock(mutex_);
  if (!byPath_.count(relativePath)) return std::nullopt;
  return root_ + "/" + relativePath;
}

std::optional<Library::Song> Library::Find(long long id) {
  std::lock_guard lock(mutex_);
  auto it = songs_.find(id);
  if (it == songs_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> Library::Lyrics(long long id) {
  auto song = Find(id);
  if (!song) return std::nullopt;
  if (!song->lrcFile().empty()) {
    if (auto bytes = ReadSmallFile(root_ + "/" + song->lrcFile())) return LyricsText(*bytes);
  }
  if (song->record.tags.embeddedLyrics) return ReadEmbeddedLyrics(root_ + "/" + song->record.path);
  return std::nullopt;
}

std::optional<std::string> Library::Cover(long long id) {
  auto song = Find(id);
  if (!song) return std::nullopt;
  if (song->record.tags.embeddedCover) {
    if (auto picture = ReadEmbeddedPicture(root_ + "/" + song->record.path)) {
      if (auto jpeg = BaselineJpeg(*picture)) return jpeg;
    }
  }
  if (!song->folderCover().empty()) {
    if (auto picture = ReadSmallFile(root_ + "/" + song->folderCover())) return BaselineJpeg(*picture);
  }
  return std::nullopt;
}

std::vector<PageSong> Library::NewestSongs() {
  std::vector<PageSong> newest;
  for (auto& [song, path] : Newest()) newest.push_back(std::move(song));
  return newest;
}

std::string Library::Community() { return CommunityPage(NewestSongs(), Size()); }

std::string Library::Forum() { return ForumPage(NewestSongs()); }

size_t Library::Size() {
  std::lock_guard lock(mutex_);
  return songs_.size();
}

void Library::FlushPlays() {
  std::unordered_map<long long, long long> plays;
  std::string day = LocalDate();
  {
    std::lock_guard lock(mutex_);
    plays.swap(pendingPlays_);
  }
  if (plays.empty()) return;
  std::lock_guard lock(dbMutex_);
  db_.Begin();
  for (const auto& [id, count] : plays) db_.AddPlays(id, count, day);
  db_.Commit();
}

}  // namespace songbox_server
