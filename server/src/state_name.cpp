#include "state_name.h"

#include <sqlite3.h>

#include <cstdio>
#include <system_error>

namespace songbox_server {

namespace fs = std::filesystem;

std::uint64_t Fnv1a64(std::string_view text) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  for (unsigned char c : text) h = (h ^ c) * 0x100000001b3ULL;
  return h;
}

std::string StateFileName(const std::string& library) {
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fnv1a64(library)));
  return std::string(hex) + ".sqlite";
}

namespace {

// Folds a write-ahead log left by a killed process into the file itself, so
// that the file alone can move.
bool Checkpoint(const fs::path& file) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
            sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr) == SQLITE_OK;
  return sqlite3_close(db) == SQLITE_OK && ok;
}

}  // namespace

fs::path DefaultStateFile(const fs::path& dir, const std::string& library,
                          const std::function<void(const std::string&)>& log) {
  const fs::path stable = dir / StateFileName(library);
  const fs::path old = dir / (std::to_string(std::hash<std::string>{}(library)) + ".sqlite");
  std::error_code ec;
  if (fs::exists(stable, ec) || !fs::exists(old, ec)) return stable;
  if (!Checkpoint(old)) {
    log("state file " + old.string() + " kept under its old name: it could not be made ready to move");
    return old;
  }
  fs::rename(old, stable, ec);
  if (ec) {
    log("state file " + old.string() + " kept under its old name: " + ec.message());
    return old;
  }
  for (const char* side : {"-wal", "-shm"}) fs::remove(old.string() + side, ec);
  log("state file " + old.string() + " moved to " + stable.string());
  return stable;
}

}  // namespace songbox_server
