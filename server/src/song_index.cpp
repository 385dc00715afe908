#include "song_index.h"

#include <algorithm>

#include "local_date.h"

namespace songbox_server {

namespace {

constexpr char kUnknownSinger[] = "未知歌手";

std::string Stem(const std::string& path) {
  std::string name = path.substr(path.rfind('/') + 1);
  return DropExtension(name);
}

void RollDay(SongRecord& r, const std::string& today) {
  if (r.playsDay != today) {
    r.playsDay = today;
    r.playsToday = 0;
  }
}

}  // namespace

void SongIndex::Load(std::vector<SongRecord> records) {
  std::lock_guard lock(mutex_);
  for (SongRecord& r : records) {
    Song& song = songs_[r.id];
    song.record = std::move(r);
    byPath_.emplace(song.record.path, song.record.id);
  }
  Changed();
}

void SongIndex::Triage(Walk& walk) {
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

std::vector<long long> SongIndex::Gone(Walk& walk) {
  std::sort(walk.seen.begin(), walk.seen.end());
  std::vector<long long> gone;
  std::lock_guard lock(mutex_);
  for (const auto& [id, song] : songs_)
    if (!std::binary_search(walk.seen.begin(), walk.seen.end(), id) && walk.InScope(song.record.path))
      gone.push_back(id);
  return gone;
}

long long SongIndex::KnownId(const std::string& path) {
  std::lock_guard lock(mutex_);
  auto it = byPath_.find(path);
  return it == byPath_.end() ? 0 : it->second;
}

void SongIndex::Apply(const std::vector<SongRecord>& records, const std::vector<long long>& gone) {
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

void SongIndex::AssignSideFiles(const Walk& walk) {
  std::lock_guard lock(mutex_);
  bool changed = false;
  for (auto& [id, song] : songs_) {
    const std::string& path = song.record.path;
    if (!walk.InScope(path)) continue;
    SideFiles side;
    if (!walk.sideFiles.empty()) {
      auto lrc = walk.sideFiles.find(Lower(DropExtension(path) + ".lrc"));
      if (lrc != walk.sideFiles.end()) side.lrcFile = lrc->second;
      for (const char* name : {"cover.jpg", "folder.jpg"}) {
        auto cover = walk.sideFiles.find(Lower(FolderOf(path)) + name);
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

PageSong SongIndex::PageRecord(const Song& song) const {
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

std::vector<std::pair<PageSong, std::string>> SongIndex::Newest() {
  std::lock_guard lock(mutex_);
  pageDay_ = LocalDate();
  std::vector<std::pair<PageSong, std::string>> newest;
  for (auto it = songs_.rbegin(); it != songs_.rend() && newest.size() < newest_; ++it)
    newest.emplace_back(PageRecord(it->second), it->second.record.path);
  return newest;
}

std::shared_ptr<const PageFile> SongIndex::CurrentPage(std::time_t now) {
  std::lock_guard lock(pageMutex_);
  if (page_.bytes && page_.version == version_.load() && now < page_.until) return page_.bytes;
  return nullptr;
}

std::shared_ptr<const PageFile> SongIndex::FrontPageFile() {
  if (auto page = CurrentPage(std::time(nullptr))) return page;
  return BuildPage();
}

// Requests that find the snapshot stale wait for one build rather than each
// building their own.
std::shared_ptr<const PageFile> SongIndex::BuildPage() {
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
  next.bytes = std::make_shared<const PageFile>(ToGb18030(songbox_server::FrontPage(newest, size)));
  std::lock_guard lock(pageMutex_);
  page_ = next;
  return next.bytes;
}

std::optional<std::string> SongIndex::Play(long long sid) {
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
  return r.path;
}

bool SongIndex::HasPath(const std::string& relativePath) {
  std::lock_guard lock(mutex_);
  return byPath_.count(relativePath) > 0;
}

std::optional<SongIndex::Song> SongIndex::Find(long long id) {
  std::lock_guard lock(mutex_);
  auto it = songs_.find(id);
  if (it == songs_.end()) return std::nullopt;
  return it->second;
}

size_t SongIndex::Size() {
  std::lock_guard lock(mutex_);
  return songs_.size();
}

SongIndex::Plays SongIndex::TakePlays() {
  Plays plays;
  std::lock_guard lock(mutex_);
  plays.swap(pendingPlays_);
  return plays;
}

}  // namespace songbox_server
