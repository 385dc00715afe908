// The catalogue's state file: a SQLite database in WAL mode holding every song
// ever indexed (ids, first-seen dates, tags, play counts). Ids are never
// reused. A file that is not this service's state is refused and left as it
// is. Every failure throws std::runtime_error naming the file; a write
// batch's Transaction rolls back unless committed.
//
// Threads: not thread-safe; the owner serialises calls.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

#include "song_record.h"

namespace songbox_server {

class StateDb {
 public:
  // Opens or creates the database.
  explicit StateDb(const std::string& file);
  ~StateDb();
  StateDb(const StateDb&) = delete;
  StateDb& operator=(const StateDb&) = delete;

  // Songs whose file was present at the last scan, in id order.
  std::vector<SongRecord> LoadPresent();

  // A song no longer present whose content had this fingerprint and size
  // (a file that moved), most recent first.
  std::optional<SongRecord> FindMissing(std::uint64_t fingerprint, std::uint64_t size);

  // A write batch: begun when made, rolled back when left uncommitted (by
  // an error on the way), so the next batch can begin.
  class Transaction {
   public:
    explicit Transaction(StateDb& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

   private:
    StateDb& db_;
    bool done_ = false;
  };

  // Within a Transaction: new songs get their ids.
  void Insert(SongRecord& song);
  void Update(const SongRecord& song);  // path, size, time, fingerprint, tags
  void MarkMissing(long long id);
  void AddPlays(long long id, long long plays, const std::string& day);
  // Frees the page cache; it fills again as needed.
  void ReleaseMemory();
  const std::string& file() const { return file_; }

 private:
  void RefuseForeign();
  [[noreturn]] void Fail(const std::string& why) const;
  sqlite3_stmt* Prepare(const char* sql);
  void Exec(const char* sql);
  void Step(sqlite3_stmt* stmt);

  const std::string file_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* update_ = nullptr;
  sqlite3_stmt* dropStale_ = nullptr;
  sqlite3_stmt* missing_ = nullptr;
  sqlite3_stmt* findMissing_ = nullptr;
  sqlite3_stmt* plays_ = nullptr;
};

}  // namespace songbox_server
