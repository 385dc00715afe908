// One walk over the library's folders: which song files are there (with size
// and time), which side files (.lrc, cover.jpg, folder.jpg) lie beside them,
// which files are still being written, and the records of files read anew.
//
// Threads: a walk and a SettleClock belong to the scanning thread; the triage
// callback is how a walk asks the index which files it already knows.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "audio_probe.h"
#include "song_record.h"

namespace songbox_server {

struct FileEntry {
  std::string path;  // relative to the library
  std::uint64_t size;
  std::int64_t mtimeNs;
};

// What a pass found. Files the index already has unchanged are only counted
// in `seen`, so a pass over a large library holds little.
struct Walk {
  std::vector<FileEntry> pending;  // listed, not yet compared with the index
  std::vector<FileEntry> changed;  // new or changed files
  std::vector<long long> seen;     // ids of indexed songs still there
  std::unordered_map<std::string, std::string> sideFiles;  // lower-cased path -> path
  std::vector<std::string> folders;
  bool partial = false;            // only the folders of `scope` were walked
  std::vector<std::string> scope;  // relative folders ("" or "a/b/")
  size_t ignored = 0;
  std::string firstIgnored;

  // Whether a song at `path` lies in what this walk looked at.
  bool InScope(const std::string& path) const;
};

// Moves `walk.pending` into `seen` and `changed`; called every few hundred files.
using Triage = std::function<void(Walk&)>;

// Every folder and file below `root`, each real folder reached once however
// many links lead to it.
void ForEachEntry(const std::string& root, const std::function<void(const std::string&)>& folder,
                  const std::function<void(const std::string&)>& file);

// Every folder below `root`, or only the files of `folders` (absolute; those
// outside the library are skipped).
Walk WalkTree(const std::string& root, const Triage& triage);
Walk WalkFolders(const std::string& root, const std::set<std::string>& folders, const Triage& triage);

// A new or changed file is taken once its writer closed it, or once its size
// and time have stayed the same for `quiet` (two seconds unless a test says).
class SettleClock {
 public:
  bool Settled(const FileEntry& entry, std::int64_t nowNs, bool closed);
  void set_quiet(std::chrono::milliseconds quiet) { quiet_ = quiet; }

 private:
  struct Seen {
    std::uint64_t size;
    std::int64_t mtimeNs;
    std::chrono::steady_clock::time_point at;
  };
  std::unordered_map<std::string, Seen> unsettled_;
  std::chrono::milliseconds quiet_{2000};
};

// Tags and fingerprints of the files below `root`, the songs of one folder
// reading their legacy text in one code page. A file that is not MP3 and that
// TagLib cannot read or `probe` finds not decodable goes to `leftOut` instead.
std::vector<SongRecord> ReadRecords(const std::string& root, const std::vector<FileEntry>& changed, AudioProbe& probe,
                                    std::vector<FileEntry>& leftOut);

// Whether a lower-cased path names a song file by its extension.
bool IsSongFile(const std::string& lowerPath);
// "a/b.flac" -> "a/b".
std::string DropExtension(const std::string& path);

std::int64_t NowNs();
std::string Lower(std::string s);
// The folder part of a relative path, with its slash ("" for the top).
std::string FolderOf(const std::string& path);

}  // namespace songbox_server
