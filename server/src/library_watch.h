// Keeps a Library in step with its folder: inotify on every folder, a pass
// shortly after each burst of changes, again while a file is still being
// written, and a periodic pass in case a change was missed.
//
// Threads: one watcher thread of its own, started by Start and joined by the
// destructor; it is the only caller of Library::Scan meanwhile.
#pragma once

#include <sys/inotify.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "library.h"

namespace songbox_server {

class LibraryWatch {
 public:
  // Watches every folder of the library at once; made before the start-up
  // scan, so that whatever changes after a folder was watched raises an event.
  LibraryWatch(Library& library, std::chrono::milliseconds fallback, Library::Log log);
  ~LibraryWatch();
  LibraryWatch(const LibraryWatch&) = delete;
  LibraryWatch& operator=(const LibraryWatch&) = delete;

  // Follows changes from the end of the start-up scan on; files it found
  // still being written are looked at again soon.
  void Start(const ScanResult& startup);
  // Passes made so far (for the tests: a point after which a pass has seen a change).
  size_t Passes() const { return passes_.load(); }

 private:
  void Run(bool unsettled);
  void WatchTree();
  void Watch(const std::vector<std::string>& folders);
  bool Drain();  // false when stop was asked
  void Note(const inotify_event& event);
  void Pass(bool timedOut, bool& unsettled);

  std::unordered_map<int, std::string> folders_;  // watch descriptor -> folder
  std::unordered_set<std::string> closed_;        // files whose writer is done
  // Folders whose files changed since the last pass; a folder made, removed
  // or moved, or lost events, call for a pass over everything instead.
  std::set<std::string> dirty_;
  bool everything_ = true;

  Library& library_;
  const std::chrono::milliseconds fallback_;
  Library::Log log_;
  int inotify_ = -1;
  int stop_ = -1;  // eventfd
  bool watchLimitReported_ = false;
  std::atomic<size_t> passes_{0};
  std::thread thread_;
};

}  // namespace songbox_server
