// The indexed music library: ties the walk, the in-memory index and the state
// file together. A scan walks the folder, reads what changed, stores it in
// the state and then takes it into the index; plays are counted in the index
// and written to the state by FlushPlays.
//
// Threads: Scan runs on one thread at a time (the watcher, or start-up); the
// HTTP threads call the lookups at any time; FlushPlays runs on the flusher.
// The state file is guarded by `dbMutex_`, never taken while the index's own
// lock is held (SongIndex takes none across calls).
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "cover_cache.h"
#include "library_walk.h"
#include "local_date.h"
#include "page_text.h"
#include "song_index.h"
#include "state_db.h"

namespace songbox_server {

struct ScanResult {
  size_t added = 0, changed = 0, removed = 0;
  bool unsettled = false;  // files still being written: look again soon
  std::vector<std::string> folders;  // every folder walked, absolute
};

class Library {
 public:
  using Log = std::function<void(const std::string&)>;
  // Throws std::runtime_error when the state file cannot be opened.
  Library(std::string root, const std::string& stateFile, size_t newest, Log log);

  // One pass over the folder: new, changed, moved and deleted files. Only
  // files whose size or time changed are read. A new or changed file is taken
  // once its writer closed it (`closed`: paths below the library), or once
  // its size and time have stayed the same for two seconds.
  // `only`: absolute folders whose own files (not their subfolders') are all
  // that changed; a pass over them leaves the rest of the index alone.
  ScanResult Scan(const std::unordered_set<std::string>& closed = {}, const std::set<std::string>* only = nullptr);

  // The GB18030 front page (see SongIndex::FrontPage).
  std::shared_ptr<const std::string> FrontPage() { return index_.FrontPage(); }
  std::shared_ptr<const PageFile> FrontPageFile() { return index_.FrontPageFile(); }
  // "media/…" (percent-encoded) for a song id, counting one play; nullopt
  // for an unknown id.
  std::optional<std::string> PlayAddress(long long sid);
  // The absolute file of an indexed song by its path below the library.
  std::optional<std::string> MediaFile(const std::string& relativePath);
  // The indexed song at a path below the library.
  std::optional<SongRecord> SongAt(const std::string& relativePath);
  std::optional<std::string> Lyrics(long long id);  // UTF-8
  // Baseline JPEG fitting 800 × 800, made once per picture and kept in
  // "covers" beside the state file (at most 128 MB).
  std::optional<std::string> Cover(long long id);
  std::string Community();
  std::string Forum();

  // Writes the play counts gathered since the last flush, and those an
  // earlier flush could not write, in one transaction. A state that cannot
  // be written (a full disk, an I/O error) is said once in the log, and once
  // more when it can be written again; the plays wait in memory meanwhile.
  // Each flush logs how many plays it wrote.
  void FlushPlays();

  // For the crash tests: the first pass stops for good once at least `songs`
  // songs are stored, after saying so in the log, so that a test can kill the
  // process in the middle of a scan however fast the machine is. 0: never.
  void HoldScanAfter(size_t songs) { holdScanAfter_ = songs; }
  // For the tests: how long an open file must stay unchanged to be taken.
  void SettleAfter(std::chrono::milliseconds quiet) { settle_.set_quiet(quiet); }

  size_t Size() { return index_.Size(); }
  // The newest songs' page records and relative paths, newest first.
  std::vector<std::pair<PageSong, std::string>> Newest() { return index_.Newest(); }
  const std::string& root() const { return root_; }

 private:
  ScanResult ScanOnce(const std::unordered_set<std::string>& closed, const std::set<std::string>* only);
  [[noreturn]] void HoldForever(size_t stored);
  void Failed(const std::string& why);  // under dbMutex_
  void Recovered();                     // under dbMutex_
  void ReportIgnored(const Walk& walk);
  std::vector<SongRecord> ReadBatch(const std::vector<FileEntry>& batch, AudioProbe& probe);
  void ReleaseMemory();
  void StoreChanges(std::vector<SongRecord>& records, const std::vector<long long>& gone, ScanResult& result);
  std::vector<PageSong> NewestSongs();

  const std::string root_;
  Log log_;
  size_t holdScanAfter_ = 0;

  std::mutex dbMutex_;
  StateDb db_;
  SongIndex::Plays unwritten_;  // under dbMutex_
  long long written_ = 0;       // under dbMutex_
  bool failing_ = false;        // under dbMutex_
  SongIndex index_;
  CoverCache covers_;

  // Scan thread only.
  SettleClock settle_;
  size_t ignoredReported_ = 0;
  // Files left out as undecodable, by path, with the size and time they had:
  // reported once, and read again only once they changed.
  std::unordered_map<std::string, std::pair<std::uint64_t, std::int64_t>> leftOut_;
};

// Percent-encodes every byte but unreserved characters and "/".
std::string PercentEncodePath(const std::string& path);

// MP3 songs are served as they are; every other song as an MP3 made from it.
bool ServedAsIs(const std::string& relativePath);
// Where below "media/" a song is served: its path, with ".mp3" added for a
// song served as MP3 (so a web server hosting the export names its type).
std::string MediaAddress(const std::string& relativePath);

}  // namespace songbox_server
