// The catalogue's state file: a SQLite database in WAL mode holding every song
// ever indexed (ids, first-seen dates, tags, play counts). Ids are never
// reused. Not thread-safe: the owner serialises calls.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

#include "song_record.h"

namespace songbox_server {

class StateDb {
 public:
  // Opens or creates the database; throws std::runtime_error on failure.
  explicit StateDb(const std::string& file);
  ~StateDb();
  StateDb(const StateDb&) = delete;
  StateDb& operator=(const StateDb&) = delete;

  // Songs whose file was present at the last scan, in id order.
  std::vector<SongRecord> LoadPresent();

  // A song no longer present whose content had this fingerprint and size
  // (a file that moved), most recent first.
  std::optional<SongRecord> FindMissing(std::uint64_t fingerprint, std::uint64_t size);

  // Writes a batch in one transaction: new songs get their ids.
  void Begin();
  void Commit();
  void Insert(SongRecord& song);
  void Update(const SongRecord& song);  // path, size, time, fingerprint, tags
  void MarkMissing(long long id);
  void AddPlays(long long id, long long plays, const std::string& day);
  // Frees the page cache; it fills again as needed.
  void ReleaseMemory();

 private:
  sqlite3_stmt* Prepare(const char* sql);
  void Exec(const char* sql);
  void Step(sqlite3_stmt* stmt);

  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* update_ = nullptr;
  sqlite3_stmt* dropStale_ = nullptr;
  sqlite3_stmt* missing_ = nullptr;
  sqlite3_stmt* findMissing_ = nullptr;
  sqlite3_stmt* plays_ = nullptr;
};

}  // namespace songbox_server
