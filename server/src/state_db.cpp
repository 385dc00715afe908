#include "state_db.h"

#include <stdexcept>

namespace songbox_server {
namespace {

constexpr char kSchema[] =
    "CREATE TABLE IF NOT EXISTS songs("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " path TEXT NOT NULL UNIQUE,"
    " present INTEGER NOT NULL DEFAULT 1,"
    " size INTEGER NOT NULL, mtime_ns INTEGER NOT NULL, fingerprint INTEGER NOT NULL,"
    " first_seen TEXT NOT NULL,"
    " title TEXT NOT NULL, artist TEXT NOT NULL, publisher TEXT NOT NULL, album_artist TEXT NOT NULL,"
    " embedded_cover INTEGER NOT NULL, embedded_lyrics INTEGER NOT NULL,"
    " plays_total INTEGER NOT NULL DEFAULT 0, plays_today INTEGER NOT NULL DEFAULT 0,"
    " plays_day TEXT NOT NULL DEFAULT '');"
    "CREATE INDEX IF NOT EXISTS songs_fingerprint ON songs(fingerprint);";

std::string Text(sqlite3_stmt* s, int col) {
  const unsigned char* t = sqlite3_column_text(s, col);
  return t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_column_bytes(s, col))) : "";
}

void BindText(sqlite3_stmt* s, int i, const std::string& v) {
  sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}

// Columns in the order of kSelect.
constexpr char kSelect[] =
    "SELECT id, path, size, mtime_ns, fingerprint, first_seen, title, artist, publisher, album_artist,"
    " embedded_cover, embedded_lyrics, plays_total, plays_today, plays_day FROM songs ";

SongRecord Row(sqlite3_stmt* s) {
  SongRecord r;
  r.id = sqlite3_column_int64(s, 0);
  r.path = Text(s, 1);
  r.size = static_cast<std::uint64_t>(sqlite3_column_int64(s, 2));
  r.mtimeNs = sqlite3_column_int64(s, 3);
  r.fingerprint = static_cast<std::uint64_t>(sqlite3_column_int64(s, 4));
  r.firstSeen = Text(s, 5);
  r.tags.title = Text(s, 6);
  r.tags.artist = Text(s, 7);
  r.tags.publisher = Text(s, 8);
  r.tags.albumArtist = Text(s, 9);
  r.tags.embeddedCover = sqlite3_column_int(s, 10) != 0;
  r.tags.embeddedLyrics = sqlite3_column_int(s, 11) != 0;
  r.playsTotal = sqlite3_column_int64(s, 12);
  r.playsToday = sqlite3_column_int64(s, 13);
  r.playsDay = Text(s, 14);
  return r;
}

// Binds the file and tag columns from index `first` on, in the order path,
// size, mtime, fingerprint, title, artist, publisher, album artist, cover, lyrics.
void BindFile(sqlite3_stmt* s, int first, const SongRecord& r) {
  BindText(s, first, r.path);
  sqlite3_bind_int64(s, first + 1, static_cast<sqlite3_int64>(r.size));
  sqlite3_bind_int64(s, first + 2, r.mtimeNs);
  sqlite3_bind_int64(s, first + 3, static_cast<sqlite3_int64>(r.fingerprint));
  BindText(s, first + 4, r.tags.title);
  BindText(s, first + 5, r.tags.artist);
  BindText(s, first + 6, r.tags.publisher);
  BindText(s, first + 7, r.tags.albumArtist);
  sqlite3_bind_int(s, first + 8, r.tags.embeddedCover);
  sqlite3_bind_int(s, first + 9, r.tags.embeddedLyrics);
}

}  // namespace

StateDb::StateDb(const std::string& file) : file_(file) {
  if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    throw std::runtime_error("cannot open state file " + file + ": " + why);
  }
  sqlite3_busy_timeout(db_, 5000);
  try {
    RefuseForeign();
  } catch (...) {
    sqlite3_close(db_);
    throw;
  }
  // WAL with NORMAL sync: a killed process never corrupts the database and
  // loses at most the transaction it was writing.
  Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
  // The songs live in memory; the database is read once at start.
  Exec("PRAGMA cache_size=-512;");
  Exec(kSchema);
  insert_ = Prepare(
      "INSERT INTO songs(path, size, mtime_ns, fingerprint, title, artist, publisher, album_artist, embedded_cover,"
      " embedded_lyrics, first_seen, present) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,1)"
      " ON CONFLICT(path) DO UPDATE SET size=?2, mtime_ns=?3, fingerprint=?4, title=?5, artist=?6, publisher=?7,"
      " album_artist=?8, embedded_cover=?9, embedded_lyrics=?10, present=1"
      " RETURNING id, first_seen, plays_total, plays_today, plays_day");
  update_ = Prepare(
      "UPDATE songs SET path=?1, size=?2, mtime_ns=?3, fingerprint=?4, title=?5, artist=?6, publisher=?7,"
      " album_artist=?8, embedded_cover=?9, embedded_lyrics=?10, present=1 WHERE id=?11");
  dropStale_ = Prepare("DELETE FROM songs WHERE path=?1 AND present=0 AND id<>?2");
  missing_ = Prepare("UPDATE songs SET present=0 WHERE id=?1");
  findMissing_ = Prepare((std::string(kSelect) + "WHERE present=0 AND fingerprint=?1 AND size=?2 ORDER BY id DESC LIMIT 1").c_str());
  plays_ = Prepare(
      "UPDATE songs SET plays_total=plays_total+?2,"
      " plays_today=CASE WHEN plays_day=?3 THEN plays_today+?2 ELSE ?2 END, plays_day=?3 WHERE id=?1");
}

// Before anything is written: an empty file becomes a state, one with this
// service's songs table is one, anything else is someone else's.
void StateDb::RefuseForeign() {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT name FROM sqlite_master", -1, &s, nullptr) != SQLITE_OK)
    throw std::runtime_error("state file " + file_ + " is not a SongBox catalogue state (" + sqlite3_errmsg(db_) +
                             "); it was left as it is");
  bool tables = false, songs = false;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    tables = true;
    songs |= Text(s, 0) == "songs";
  }
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE)
    throw std::runtime_error("state file " + file_ + " is not a SongBox catalogue state (" + sqlite3_errmsg(db_) +
                             "); it was left as it is");
  if (!tables) return;
  std::string columns;
  if (songs && sqlite3_prepare_v2(db_, "SELECT group_concat(name, ',') FROM pragma_table_info('songs')", -1, &s,
                                  nullptr) == SQLITE_OK) {
    if (sqlite3_step(s) == SQLITE_ROW) columns = "," + Text(s, 0) + ",";
    sqlite3_finalize(s);
  }
  for (const char* column : {"id", "path", "present", "fingerprint", "first_seen", "plays_total", "plays_day"})
    if (columns.find("," + std::string(column) + ",") == std::string::npos)
      throw std::runtime_error("state file " + file_ + " holds another program's database, not a SongBox catalogue" +
                               " state; it was left as it is");
}

void StateDb::Fail(const std::string& why) const { throw std::runtime_error("state file " + file_ + ": " + why); }

StateDb::~StateDb() {
  for (sqlite3_stmt* s : {insert_, update_, dropStale_, missing_, findMissing_, plays_}) sqlite3_finalize(s);
  sqlite3_close(db_);
}

sqlite3_stmt* StateDb::Prepare(const char* sql) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) != SQLITE_OK)
    Fail(sqlite3_errmsg(db_));
  return s;
}

void StateDb::Exec(const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    std::string why = error ? error : "unknown error";
    sqlite3_free(error);
    Fail(why);
  }
}

void StateDb::Step(sqlite3_stmt* stmt) {
  int rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) Fail(sqlite3_errmsg(db_));
}

std::vector<SongRecord> StateDb::LoadPresent() {
  sqlite3_stmt* s = Prepare((std::string(kSelect) + "WHERE present=1 ORDER BY id").c_str());
  std::vector<SongRecord> songs;
  while (sqlite3_step(s) == SQLITE_ROW) songs.push_back(Row(s));
  sqlite3_finalize(s);
  return songs;
}

std::optional<SongRecord> StateDb::FindMissing(std::uint64_t fingerprint, std::uint64_t size) {
  sqlite3_bind_int64(findMissing_, 1, static_cast<sqlite3_int64>(fingerprint));
  sqlite3_bind_int64(findMissing_, 2, static_cast<sqlite3_int64>(size));
  std::optional<SongRecord> found;
  if (sqlite3_step(findMissing_) == SQLITE_ROW) found = Row(findMissing_);
  sqlite3_reset(findMissing_);
  sqlite3_clear_bindings(findMissing_);
  return found;
}

StateDb::Transaction::Transaction(StateDb& db) : db_(db) { db_.Exec("BEGIN IMMEDIATE"); }

StateDb::Transaction::~Transaction() {
  // After some errors SQLite has rolled back already; this one then fails, harmlessly.
  if (!done_) sqlite3_exec(db_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void StateDb::Transaction::Commit() {
  db_.Exec("COMMIT");
  done_ = true;
}

void StateDb::Insert(SongRecord& song) {
  BindFile(insert_, 1, song);
  BindText(insert_, 11, song.firstSeen);
  if (sqlite3_step(insert_) == SQLITE_ROW) {
    song.id = sqlite3_column_int64(insert_, 0);
    song.firstSeen = Text(insert_, 1);
    song.playsTotal = sqlite3_column_int64(insert_, 2);
    song.playsToday = sqlite3_column_int64(insert_, 3);
    song.playsDay = Text(insert_, 4);
  }
  Step(insert_);
  if (song.id == 0) Fail(sqlite3_errmsg(db_));
}

void StateDb::Update(const SongRecord& song) {
  // A song gone from this path long ago gives the place up to the one moving in.
  BindText(dropStale_, 1, song.path);
  sqlite3_bind_int64(dropStale_, 2, song.id);
  Step(dropStale_);
  BindFile(update_, 1, song);
  sqlite3_bind_int64(update_, 11, song.id);
  Step(update_);
}

void StateDb::MarkMissing(long long id) {
  sqlite3_bind_int64(missing_, 1, id);
  Step(missing_);
}

void StateDb::AddPlays(long long id, long long plays, const std::string& day) {
  sqlite3_bind_int64(plays_, 1, id);
  sqlite3_bind_int64(plays_, 2, plays);
  BindText(plays_, 3, day);
  Step(plays_);
}

void StateDb::ReleaseMemory() { sqlite3_db_release_memory(db_); }

}  // namespace songbox_server
