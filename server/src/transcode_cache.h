// The finished transcodes on disk: one folder (beside the state file, never in
// the library) of "<song>-<version>.mp3" files, bounded in bytes, the least
// recently used going first. A transcode is written under a temporary name and
// only renamed in once whole, so a name here is always a complete file.
//
// Threading: any; one mutex guards the index of files. A file dropped while a
// reader has it open stays readable to that reader.
#pragma once

#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

namespace songbox_server {

class TranscodeCache {
 public:
  // Creates the folder when missing, takes in the files already there (their
  // times give the order of use) and removes temporaries a crash left.
  TranscodeCache(std::string folder, std::uint64_t limitBytes);

  // The name of the transcode of the song at `relativePath` in the version
  // given by the file's size, time and fingerprint.
  static std::string Name(const std::string& relativePath, std::uint64_t size, std::int64_t mtimeNs,
                          std::uint64_t fingerprint);

  // The whole file of `name`, marked as just used; "" when there is none.
  std::string Lookup(const std::string& name);
  // A fresh temporary file name for writing `name`.
  std::string TempFile(const std::string& name);
  // Renames `temp` in as `name`, drops the song's other versions, then the
  // least recently used files until the cache fits its bound (never the one
  // just taken in). False when the rename failed (the temporary is removed).
  bool Admit(const std::string& temp, const std::string& name);

  std::uint64_t Bytes();
  const std::string& folder() const { return folder_; }

 private:
  struct Entry {
    std::uint64_t size;
    std::list<std::string>::iterator use;  // in uses_, most recent first
  };
  void DropLocked(const std::string& name);

  const std::string folder_;
  const std::uint64_t limit_;
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> files_;
  std::list<std::string> uses_;
  std::uint64_t bytes_ = 0;
  std::uint64_t temps_ = 0;
};

}  // namespace songbox_server
