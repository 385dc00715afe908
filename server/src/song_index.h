// The songs in memory: every indexed song by id and by path, the plays not
// yet written to the state, and the front page as an immutable snapshot.
//
// Threads: any. The songs are guarded by one mutex; the page snapshot by
// another, held only to copy or swap its pointer; a third lets one thread at a
// time build a new page, taking the songs' mutex only while it gathers them.
// No method calls out while holding a lock.
#pragma once

#include <atomic>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "library_walk.h"
#include "page_file.h"
#include "page_text.h"
#include "song_record.h"

namespace songbox_server {

class SongIndex {
 public:
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
  using Plays = std::unordered_map<long long, long long>;  // id -> plays

  explicit SongIndex(size_t newest) : newest_(newest) {}

  // The songs the state knew at start.
  void Load(std::vector<SongRecord> records);

  // Walk side: sorts a walk's pending files into seen and changed.
  void Triage(Walk& walk);
  // Indexed songs of the walked folders that the walk did not find.
  std::vector<long long> Gone(Walk& walk);
  // The id of the song at `path`, 0 if none.
  long long KnownId(const std::string& path);
  // Takes stored records in (counts made meanwhile stay) and drops `gone`.
  void Apply(const std::vector<SongRecord>& records, const std::vector<long long>& gone);
  void AssignSideFiles(const Walk& walk);

  // The GB18030 front page: an immutable snapshot shared by all requests,
  // built again once after the songs or a count changed and at local midnight.
  std::shared_ptr<const std::string> FrontPage() { return FrontPageFile()->bytes(); }
  std::shared_ptr<const PageFile> FrontPageFile();
  // Counts one play; the song's relative path, nullopt for an unknown id.
  std::optional<std::string> Play(long long sid);
  bool HasPath(const std::string& relativePath);
  std::optional<Song> Find(long long id);  // a copy, taken under the lock
  // The newest songs' page records and relative paths, newest first.
  std::vector<std::pair<PageSong, std::string>> Newest();
  size_t Size();

  // The plays counted since the last call.
  Plays TakePlays();

 private:
  struct PageSnapshot {
    std::shared_ptr<const PageFile> bytes;
    std::uint64_t version = 0;  // of the songs it shows
    std::time_t until = 0;      // the next local midnight: today's counts reset
  };

  PageSong PageRecord(const Song& song) const;
  std::shared_ptr<const PageFile> CurrentPage(std::time_t now);
  std::shared_ptr<const PageFile> BuildPage();
  void Changed() { version_.fetch_add(1); }  // under mutex_: the page is stale

  const size_t newest_;

  std::mutex mutex_;
  std::map<long long, Song> songs_;  // by id: ids grow with first sight
  // Views of the paths held by songs_ (whose nodes never move): an entry
  // goes before its song's path changes or the song goes.
  std::unordered_map<std::string_view, long long> byPath_;
  Plays pendingPlays_;
  std::string pageDay_;
  // Bumped under mutex_ by every change the page shows.
  std::atomic<std::uint64_t> version_{1};

  std::mutex buildMutex_;
  std::mutex pageMutex_;
  PageSnapshot page_;
};

}  // namespace songbox_server
