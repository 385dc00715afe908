// The indexed music library: every .mp3 under a folder, its tags, ids and play
// counts, kept in step with the state file.
//
// Threads: Scan runs on one thread at a time (the watcher, or start-up); the
// HTTP threads call the lookups and CountPlay at any time; FlushPlays runs on
// the flusher. The in-memory index is guarded by `mutex_`, the state file by
// `dbMutex_` (never taken while `mutex_` is held). The front page is an
// immutable snapshot behind `pageMutex_`, held only to copy or swap the
// pointer; `buildMutex_` lets one thread at a time build a new one, taking
// `mutex_` only while it gathers the songs.
#pragma once

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "page_text.h"
#include "song_record.h"
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

  // The GB18030 front page: an immutable snapshot shared by all requests,
  // built again once after the library or a count changed (by the pass that
  // changed it, or by the first request after a play) and at local midnight.
  std::shared_ptr<const std::string> FrontPage();
  // "media/…" (percent-encoded) for a song id, counting one play; nullopt
  // for an unknown id.
  std::optional<std::string> PlayAddress(long long sid);
  // The absolute file of an indexed song by its path below the library.
  std::optional<std::string> MediaFile(const std::string& relativePath);
  std::optional<std::string> Lyrics(long long id);  // UTF-8
  std::optional<std::string> Cover(long long id);   // baseline JPEG
  std::string Community();
  std::string Forum();

  // Writes the play counts gathered since the last flush in one transaction.
  void FlushPlays();

  // For the crash tests: the first pass stops for good once at least `songs`
  // songs are stored, after saying so in the log, so that a test can kill the
  // process in the middle of a scan however fast the machine is. 0: never.
  void HoldScanAfter(size_t songs) { holdScanAfter_ = songs; }

  size_t Size();
  // The newest songs' page records and relative paths, newest first.
  std::vector<std::pair<PageSong, std::string>> Newest();
  const std::string& root() const { return root_; }

 private:
  [[noreturn]] void HoldForever(size_t stored);
  // Few songs have files beside them: they share one small record, the rest
  // carry an empty pointer.
  struct SideFiles {
    std::string lrcFile;      // relative path of the .lrc beside it, or ""
    std::string folderCover;  // relative path of cover.jpg/folder.jpg, or ""
    bool operator==(const SideFiles&) const = default;
  };
  struct Song {
    SongRecord record;
    std::shared_ptr<const SideFiles> side;  // null: none
    const std::string& lrcFile() const { return side ? side->lrcFile : kNone; }
    const std::string& folderCover() const { return side ? side->folderCover : kNone; }
    static inline const std::string kNone;
  };
  struct Seen {
    std::uint64_t size;
    std::int64_t mtimeNs;
    std::chrono::steady_clock::time_point at;
  };
  struct FileEntry {
    std::string path;
    std::uint64_t size;
    std::int64_t mtimeNs;
  };
  struct Walk;

  Walk WalkFolder();
  Walk WalkFolders(const std::set<std::string>& folders);
  void AddFile(Walk& walk, const std::string& full);
  void Triage(Walk& walk);
  static bool InScope(const Walk& walk, const std::string& path);
  std::vector<long long> Gone(Walk& walk);
  void ReleaseMemory();
  bool Settled(const FileEntry& entry, std::int64_t nowNs, bool closed);
  std::vector<SongRecord> ReadChanged(const std::vector<FileEntry>& changed);
  void StoreChanges(std::vector<SongRecord>& records, const std::vector<long long>& gone, ScanResult& result);
  void ApplyChanges(const std::vector<SongRecord>& records, const std::vector<long long>& gone);
  void AssignSideFiles(const Walk& walk);
  PageSong PageRecord(const Song& song) const;
  std::vector<PageSong> NewestSongs();
  std::shared_ptr<const std::string> CurrentPage(std::time_t now);
  std::shared_ptr<const std::string> BuildPage();
  void Changed() { version_.fetch_add(1); }  // under mutex_: the page is stale
  std::optional<Song> Find(long long id);  // a copy, taken under the lock
  void RollDay(SongRecord& record, const std::string& today) const;

  const std::string root_;
  const size_t newest_;
  Log log_;
  size_t holdScanAfter_ = 0;

  std::mutex dbMutex_;
  StateDb db_;
  std::unordered_map<long long, long long> pendingPlays_;  // under mutex_

  std::mutex mutex_;
  std::map<long long, Song> songs_;  // by id: ids grow with first sight
  // Views of the paths held by songs_ (whose nodes never move): an entry
  // goes before its song's path changes or the song goes.
  std::unordered_map<std::string_view, long long> byPath_;
  std::string pageDay_;
  // Bumped under mutex_ by every change the page shows.
  std::atomic<std::uint64_t> version_{1};

  struct PageSnapshot {
    std::shared_ptr<const std::string> bytes;
    std::uint64_t version = 0;  // of the songs it shows
    std::time_t until = 0;      // the next local midnight: today's counts reset
  };
  std::mutex buildMutex_;
  std::mutex pageMutex_;
  PageSnapshot page_;

  // Scan thread only.
  std::unordered_map<std::string, Seen> unsettled_;
  size_t ignoredReported_ = 0;
};

// Local date as YYYY-MM-DD, now or at `when`.
std::string LocalDate();
std::string LocalDateAt(std::time_t when);
// The first second of the local day after the one `when` falls on.
std::time_t NextLocalMidnight(std::time_t when);

// Percent-encodes every byte but unreserved characters and "/".
std::string PercentEncodePath(const std::string& path);

}  // namespace songbox_server
