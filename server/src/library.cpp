#include "library.h"

#include <malloc.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <thread>

#include "cover_jpeg.h"
#include "song_tags.h"

namespace songbox_server {

namespace fs = std::filesystem;

namespace {

constexpr size_t kBatch = 2000;
constexpr std::uintmax_t kMaxSideFile = 32u << 20;
constexpr std::uint64_t kCoverCacheBytes = 128u << 20;

// A cover's cache key: where its picture is and the version of that file.
std::string CoverKey(char kind, const std::string& path, std::uint64_t size, std::int64_t mtimeNs) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  for (unsigned char c : path) h = (h ^ c) * 0x100000001b3ULL;
  char key[80];
  std::snprintf(key, sizeof key, "%c%016llx-%llu-%lld", kind, static_cast<unsigned long long>(h),
                static_cast<unsigned long long>(size), static_cast<long long>(mtimeNs));
  return key;
}

std::optional<std::string> ReadSmallFile(const std::string& file) {
  std::error_code ec;
  auto size = fs::file_size(file, ec);
  if (ec || size > kMaxSideFile) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

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

Library::Library(std::string root, const std::string& stateFile, size_t newest, Log log)
    : root_(std::move(root)),
      log_(std::move(log)),
      db_(stateFile),
      index_(newest),
      covers_((fs::absolute(stateFile).parent_path() / "covers").string(), kCoverCacheBytes) {
  index_.Load(db_.LoadPresent());
}

void Library::HoldForever(size_t stored) {
  log_("scan held after " + std::to_string(stored) + " songs");
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

void Library::ReportIgnored(const Walk& walk) {
  if (walk.ignored == ignoredReported_) return;
  if (walk.ignored > ignoredReported_)
    log_("ignoring " + std::to_string(walk.ignored) + " files that are not songs (such as " + walk.firstIgnored + ")");
  ignoredReported_ = walk.ignored;
}

// A pass the state cannot take stops where it is: the index keeps what was
// stored, and the pass is asked for again soon.
ScanResult Library::Scan(const std::unordered_set<std::string>& closed, const std::set<std::string>* only) {
  try {
    return ScanOnce(closed, only);
  } catch (const std::runtime_error& e) {
    {
      std::lock_guard lock(dbMutex_);
      Failed(e.what());
    }
    ScanResult result;
    result.unsettled = true;
    result.folders = {root_};
    return result;
  }
}

ScanResult Library::ScanOnce(const std::unordered_set<std::string>& closed, const std::set<std::string>* only) {
  FlushPlays();  // a song that moves takes its latest counts along
  const Triage triage = [this](Walk& w) { index_.Triage(w); };
  Walk walk = only ? WalkFolders(root_, *only, triage) : WalkTree(root_, triage);
  ScanResult result;
  if (!only) ReportIgnored(walk);
  // Oldest first, so that songs first seen together get ids in file-time order.
  std::vector<FileEntry> changed = std::move(walk.changed);
  std::sort(changed.begin(), changed.end(), [](const FileEntry& a, const FileEntry& b) { return a.mtimeNs < b.mtimeNs; });
  std::vector<long long> gone = index_.Gone(walk);
  const std::int64_t now = NowNs();
  std::erase_if(changed, [&](const FileEntry& e) {
    bool wait = !settle_.Settled(e, now, closed.count(e.path) > 0);
    result.unsettled |= wait;
    return wait;
  });
  // Deleted files first, so that a file that moved finds its song among them.
  std::vector<SongRecord> records;
  StoreChanges(records, gone, result);
  index_.Apply(records, gone);
  // In batches: a first scan of a large library holds few records at a time.
  AudioProbe probe;  // its child lives for this pass only
  for (size_t first = 0; first < changed.size(); first += kBatch) {
    std::vector<FileEntry> batch(changed.begin() + static_cast<long>(first),
                                 changed.begin() + static_cast<long>(std::min(changed.size(), first + kBatch)));
    records = ReadBatch(batch, probe);
    StoreChanges(records, {}, result);
    index_.Apply(records, {});
    if (holdScanAfter_ && result.added + result.changed >= holdScanAfter_) HoldForever(result.added + result.changed);
  }
  index_.AssignSideFiles(walk);
  result.folders = std::move(walk.folders);
  walk = Walk{};
  changed = {};
  records = {};
  FrontPage();  // rebuilt here when stale, not by the next request
  ReleaseMemory();
  return result;
}

std::vector<SongRecord> Library::ReadBatch(const std::vector<FileEntry>& batch, AudioProbe& probe) {
  std::vector<FileEntry> fresh, leftOut;
  for (const FileEntry& e : batch) {
    auto known = leftOut_.find(e.path);
    if (known == leftOut_.end() || known->second != std::pair(e.size, e.mtimeNs)) fresh.push_back(e);
  }
  std::vector<SongRecord> records = ReadRecords(root_, fresh, probe, leftOut);
  for (const FileEntry& e : leftOut) {
    log_("left out, not audio that can be decoded: " + e.path);
    leftOut_[e.path] = {e.size, e.mtimeNs};
  }
  return records;
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
  if (records.empty() && gone.empty()) return;  // an empty batch proves nothing about the state
  const std::string today = LocalDate();
  std::lock_guard lock(dbMutex_);
  StateDb::Transaction transaction(db_);
  for (long long id : gone) db_.MarkMissing(id);
  result.removed += gone.size();
  for (SongRecord& r : records) {
    if (long long known = index_.KnownId(r.path)) {
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
  transaction.Commit();
  Recovered();
}

std::optional<std::string> Library::PlayAddress(long long sid) {
  auto path = index_.Play(sid);
  if (!path) return std::nullopt;
  return "media/" + PercentEncodePath(MediaAddress(*path));
}

std::optional<std::string> Library::MediaFile(const std::string& relativePath) {
  if (!index_.HasPath(relativePath)) return std::nullopt;
  return root_ + "/" + relativePath;
}

std::optional<SongRecord> Library::SongAt(const std::string& relativePath) {
  long long id = index_.KnownId(relativePath);
  auto song = id ? index_.Find(id) : std::nullopt;
  if (!song) return std::nullopt;
  return song->record;
}

bool ServedAsIs(const std::string& relativePath) {
  if (relativePath.size() < 4) return false;
  std::string ext = relativePath.substr(relativePath.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".mp3";
}

std::string MediaAddress(const std::string& relativePath) {
  return ServedAsIs(relativePath) ? relativePath : relativePath + ".mp3";
}

std::optional<std::string> Library::Lyrics(long long id) {
  auto song = index_.Find(id);
  if (!song) return std::nullopt;
  if (!song->lrcFile().empty()) {
    if (auto bytes = ReadSmallFile(root_ + "/" + song->lrcFile())) return LyricsText(*bytes);
  }
  if (song->record.tags.embeddedLyrics) return ReadEmbeddedLyrics(root_ + "/" + song->record.path);
  return std::nullopt;
}

std::optional<std::string> Library::Cover(long long id) {
  auto song = index_.Find(id);
  if (!song) return std::nullopt;
  const SongRecord& r = song->record;
  if (r.tags.embeddedCover) {
    const std::string key = CoverKey('e', r.path, r.size, r.mtimeNs);
    if (auto kept = covers_.Get(key)) return kept;
    if (auto picture = ReadEmbeddedPicture(root_ + "/" + r.path)) {
      if (auto jpeg = BaselineJpeg(*picture)) {
        covers_.Put(key, *jpeg);
        return jpeg;
      }
    }
  }
  if (song->folderCover().empty()) return std::nullopt;
  const std::string file = root_ + "/" + song->folderCover();
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  const std::string key = CoverKey('f', song->folderCover(), static_cast<std::uint64_t>(st.st_size),
                                   static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec);
  if (auto kept = covers_.Get(key)) return kept;
  auto picture = ReadSmallFile(file);
  auto jpeg = picture ? BaselineJpeg(*picture) : std::nullopt;
  if (jpeg) covers_.Put(key, *jpeg);
  return jpeg;
}

std::vector<PageSong> Library::NewestSongs() {
  std::vector<PageSong> newest;
  for (auto& [song, path] : Newest()) newest.push_back(std::move(song));
  return newest;
}

std::string Library::Community() { return CommunityPage(NewestSongs(), Size()); }

std::string Library::Forum() { return ForumPage(NewestSongs()); }

// Plays that could not be written stay queued (one count per song, so the
// queue is as small as the library) and go with the next flush.
void Library::FlushPlays() {
  SongIndex::Plays plays = index_.TakePlays();
  std::lock_guard lock(dbMutex_);
  for (const auto& [id, count] : plays) unwritten_[id] += count;
  if (unwritten_.empty()) return;
  long long count = 0;
  try {
    std::string day = LocalDate();
    StateDb::Transaction transaction(db_);
    for (const auto& [id, n] : unwritten_) {
      db_.AddPlays(id, n, day);
      count += n;
    }
    transaction.Commit();
  } catch (const std::exception& e) {
    Failed(e.what());
    return;
  }
  unwritten_.clear();
  written_ += count;
  Recovered();
  log_("plays written: " + std::to_string(count) + " (" + std::to_string(written_) + " since start)");
}

void Library::Failed(const std::string& why) {
  if (failing_) return;
  failing_ = true;
  log_(why + "; the state is not written until this passes, plays wait in memory");
}

void Library::Recovered() {
  if (!failing_) return;
  failing_ = false;
  log_("state file " + db_.file() + " written again");
}

}  // namespace songbox_server
